#!/usr/bin/env bash
# `cmake --install` into a fresh prefix gives programs that check and
# capture the installed show from its own folder.
#   install_runs.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" > /dev/null
for program in demo demo-check demo-preview demo-capture model-info demo-new; do
  [[ -x $prefix/bin/$program ]] || { echo "missing: bin/$program"; exit 1; }
done
[[ -f $prefix/share/doc/audiovisual-show/authoring.md ]] || { echo "missing: the author's guide"; exit 1; }
show=$prefix/share/audiovisual-show
cd "$show"
"$prefix/bin/demo-check" || { echo "the installed show does not pass demo-check"; exit 1; }
"$prefix/bin/model-info" data/3ds/pebble.3ds > /dev/null
"$prefix/bin/demo-capture" --fps 5 --from '#24.0' --to '#24.1' --frames "$prefix/frames" 2> /dev/null
[[ -f $prefix/frames/frame-000000.png ]] || { echo "the installed capture wrote no frame"; exit 1; }
echo "installed and ran from $show"
