#!/usr/bin/env bash
# The show in a web page, built and checked in headless Chromium against
# the Linux build in build/ (CI runs it after the Windows checks):
#
#   - tools/build-web.sh makes the page of the shipped show, and of a new
#     show from demo-new (--show);
#   - both are served by python3's http.server on 127.0.0.1 and opened in
#     Debian's headless Chromium, whose WebGL is SwiftShader, driven over
#     the DevTools protocol (tests/web/page_check.py);
#   - the shipped show asks "Fullscreen?" with No the default, Return
#     answers it, frames are drawn and the sound runs; Escape held brings
#     the end card, whose "Play again" plays the show again;
#   - ?t= at three times holds the frames that demo-capture --fps 60 draws
#     there, within the golden-frame tolerance;
#   - the new show plays to its script's End, which brings the end card;
#   - the same show with a line that is no command shows the boxes that
#     demo-check prints, with their words, "Initialization failed" last;
#   - no page throws an uncaught error.
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$PWD

tools/install-packages.sh chromium python3
tools/setup.sh
probe=$repo/build/tests/png-probe

work=$(mktemp -d)
server=
cleanup() {
  [[ -n $server ]] && kill "$server" 2> /dev/null
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

started=$SECONDS
tools/build-web.sh --out "$work/site/shipped"
build/demo-new "$work/new-show" > /dev/null
tools/build-web.sh --show "$work/new-show" --out "$work/site/new"
# The new show with a line that is no command: the boxes of the show's
# start, with demo-check's words, then the end card.
cp -r "$work/new-show" "$work/broken-show"
echo "Frobnicate" >> "$work/broken-show/data/script.txt"
tools/build-web.sh --show "$work/broken-show" --out "$work/site/broken"
(cd "$work/broken-show" && "$repo/build/demo-check" > "$work/boxes.txt" 2> /dev/null) || true
echo "web checks: built in $((SECONDS - started)) s"

# Port 0: the server takes a free port and says which.
python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$work/site" > "$work/server.log" 2>&1 &
server=$!
for _ in $(seq 50); do
  port=$(sed -n 's/.*port \([0-9]*\).*/\1/p' "$work/server.log" | head -n 1)
  [[ -n $port ]] && break
  sleep 0.2
done
[[ -n $port ]] || { cat "$work/server.log"; exit 1; }
site=http://127.0.0.1:$port

mkdir -p "$work/shots"
python3 tests/web/page_check.py "$site/shipped/" "$work/shots" play ||
  fail "the shipped show's question, frames, sound, end card or Play again"
python3 tests/web/page_check.py "$site/new/" "$work/shots" end ||
  fail "the new show does not play to its End"
python3 tests/web/page_check.py "$site/broken/" "$work/shots" boxes "$work/boxes.txt" ||
  fail "the boxes of a show with an error"
for shot in playing playing-again new-show; do
  [[ -f $work/shots/$shot.png ]] || continue
  mean=$("$probe" mean "$work/shots/$shot.png")
  echo "$shot.png: mean brightness $mean"
  awk -v mean="$mean" 'BEGIN { exit !(mean >= 2) }' || fail "the frames of $shot.png are black"
done

# The pebble arriving, the swarm (which reflects the frames before it) and
# the sphere-mapped pebble with a card: times of the 60 fps grid.
times=(11533 38416 49933)
python3 tests/web/page_check.py "$site/shipped/" "$work/shots" exact "${times[@]}" ||
  fail "the frames at ?t= were not held"
for t in "${times[@]}"; do
  build/demo-capture --fps 60 --from "=$t" --to "=$((t + 1))" --frames "$work/linux-$t" 2> /dev/null ||
    fail "demo-capture at $t ms"
  if [[ -f $work/shots/web-$t.png ]]; then
    echo -n "?t=$t against demo-capture: "
    "$probe" golden "$work/shots/web-$t.png" "$work/linux-$t/frame-000000.png" ||
      fail "the page's frame at $t ms is not demo-capture's"
  fi
done

echo "web checks: $((SECONDS - started)) s"
if ((failures)); then
  echo "web checks: $failures failed"
  exit 1
fi
echo "web checks: all passed"
