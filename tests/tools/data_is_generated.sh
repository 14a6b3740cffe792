#!/usr/bin/env bash
# The committed pictures and model are exactly what their generators make:
# runs make-pictures and make-pebble into a fresh folder and compares bytes.
set -u
make_pictures=$1
make_pebble=$2
data=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$make_pictures" "$work" || { echo "make-pictures failed"; exit 1; }
"$make_pebble" "$work/pebble.3ds" || { echo "make-pebble failed"; exit 1; }
status=0
for picture in "$work"/*.png; do
  name=$(basename "$picture")
  if ! cmp -s "$picture" "$data/png/$name"; then
    echo "data/png/$name differs from what make-pictures makes"
    status=1
  fi
done
if ! cmp -s "$work/pebble.3ds" "$data/3ds/pebble.3ds"; then
  echo "data/3ds/pebble.3ds differs from what make-pebble makes"
  status=1
fi
[[ $status == 0 ]] && echo "pictures and model match their generators"
exit $status
