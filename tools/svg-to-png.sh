#!/usr/bin/env bash
# Renders an SVG picture to a PNG of its own size in headless Chromium
# (Debian's `chromium`, installed by tools/setup.sh), as a browser shows it:
#
#   tools/svg-to-png.sh IN.svg OUT.png
#
# A picture that is not well-formed XML is refused (status 1, with
# xmllint's words; Debian's `libxml2-utils`), where the browser would draw
# its error page instead.
# Chromium runs with a fresh profile that is removed afterwards, without the
# network, the sandbox (it may run as root in containers) or a GPU.
set -euo pipefail

if [[ $# -ne 2 ]]; then
  echo "usage: tools/svg-to-png.sh IN.svg OUT.png" >&2
  exit 2
fi
in=$1
out=$2
[[ -r $in ]] || { echo "svg-to-png: cannot read $in" >&2; exit 2; }
command -v xmllint > /dev/null ||
  { echo "svg-to-png: xmllint is not installed (sudo apt-get install libxml2-utils)" >&2; exit 1; }
if ! lint=$(xmllint --noout "$in" 2>&1); then
  echo "svg-to-png: $in is not a well-formed SVG picture, so no browser would draw it:" >&2
  echo "$lint" >&2
  exit 1
fi
browser=$(command -v chromium || true)
[[ -n $browser ]] || { echo "svg-to-png: chromium is not installed (sudo apt-get install chromium)" >&2; exit 1; }

# The picture's size from the width and height of its <svg> element.
size=$(tr '\n' ' ' < "$in" | grep -o '<svg [^>]*>' | head -n 1)
width=$(sed -n 's/.* width="\([0-9]*\)".*/\1/p' <<< "$size")
height=$(sed -n 's/.* height="\([0-9]*\)".*/\1/p' <<< "$size")
[[ -n $width && -n $height ]] || { echo "svg-to-png: $in has no width and height" >&2; exit 1; }

profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
rm -f "$out"
timeout 120 "$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --user-data-dir="$profile" --hide-scrollbars --window-size="$width,$height" \
  --screenshot="$(realpath -m "$out")" "file://$(realpath "$in")" > "$profile/log" 2>&1 || true
if [[ ! -s $out ]]; then
  echo "svg-to-png: chromium wrote no picture:" >&2
  cat "$profile/log" >&2
  exit 1
fi
