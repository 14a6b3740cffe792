#!/usr/bin/env bash
# Builds the show for web browsers with Debian's emscripten and packs it as
# dist/show-web/: index.html, demo.js and demo.wasm (the show's program),
# demo.data with demo.data.js (the show's data/) and README.txt, which says
# how to put it on a web server.
#
#   tools/build-web.sh [--show DIR] [--out DIR]
#
#   --show DIR   packs the show in DIR/data (such as one that demo-new
#                made) instead of this repository's data/
#   --out DIR    writes the page into DIR instead of dist/show-web
#
# SDL2, SDL2_mixer (its built-in decoders), libpng and zlib are built from
# Debian's source packages of the versions pinned below, fetched with
# apt-get from the Debian archive this machine uses and checked against
# tools/web/sources.sha256, with Debian's patches applied. They are built
# once into a cache outside the tree (SHOW_WEB_CACHE, default
# ~/.cache/show-web), in a folder named after their versions, and reused
# while it is there. SDL2's configuration starts from the results of its
# checks kept in tools/web/sdl2-checks.cmake, which spares a link for each.
#
# The program build is build-web/. Safe to run again: it rebuilds only what
# is out of date.
set -euo pipefail

usage() {
  echo "usage: tools/build-web.sh [--show DIR] [--out DIR]"
}

# The folders as given, from where the script was started.
show=$(dirname "$0")/..
out=$(dirname "$0")/../dist/show-web
while (($#)); do
  case $1 in
    -h | --help)
      usage
      exit 0
      ;;
    --show | --out)
      (($# >= 2)) || { usage >&2; exit 2; }
      if [[ $1 == --show ]]; then show=$2; else out=$2; fi
      shift 2
      ;;
    *)
      usage >&2
      exit 2
      ;;
  esac
done
if [[ ! -f $show/data/script.txt ]]; then
  echo "build-web: $show/data/script.txt is missing: --show takes the folder of a show," \
    "the one that holds data/ (demo-new makes one)" >&2
  exit 1
fi
# The page replaces an earlier page there, and nothing else.
if [[ -e $out && ! -f $out/demo.wasm && -n $(ls -A "$out" 2> /dev/null || echo file) ]]; then
  echo "build-web: $out holds something other than a page that build-web made;" \
    "give --out an empty or new folder" >&2
  exit 1
fi
show=$(cd "$show" && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)
cd "$(dirname "$0")/.."
repo=$PWD

tools/install-packages.sh cmake make patch xz-utils bzip2 emscripten
# emscripten's tools find acorn there when node is not Debian's own.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
source tools/debian-libraries.sh

# Debian source package and version of each library. A new version needs
# its archives' sums in tools/web/sources.sha256 and a new cache folder,
# which its name in `key` gives.
SOURCES=(libsdl2=2.26.5+dfsg-1 libsdl2-mixer=2.6.2+dfsg-2 libpng1.6=1.6.39-2+deb12u5
  zlib=1:1.2.13.dfsg-1)
emscripten_version=$(dpkg-query -W -f='${Version}' emscripten)
# The last part counts changes to how the libraries are built.
key=sdl2-2.26.5-1_mixer-2.6.2-2_png-1.6.39-2deb12u5_zlib-1.2.13-1_emscripten-${emscripten_version//[~+]/-}_1

cache_root=${SHOW_WEB_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/show-web}
deps=$cache_root/deps-$key

build_dependencies() {
  local work=$cache_root/work
  rm -rf "$work" "$deps.partial"
  fetch_debian_sources "$work" "$repo/tools/web/sources.sha256" "${SOURCES[@]}"
  local src=$work/src prefix=$deps.partial

  echo "build-web: building zlib"
  # Its CMake wants a Windows resource file that Debian's tarball lacks.
  (cd "$src/zlib" && emconfigure ./configure --static --prefix="$prefix" && emmake make libz.a &&
    emmake make install) > "$src/zlib.log" 2>&1 || { tail -n 50 "$src/zlib.log"; return 1; }
  echo "build-web: building SDL2 (a few minutes)"
  # Only the parts the show uses: video, events, timer, audio.
  build_cmake_library "$src/libsdl2" build-web emcmake cmake -S . -B build-web \
    -C "$repo/tools/web/sdl2-checks.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
    -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_SENSOR=OFF -DSDL_POWER=OFF -DSDL_HIDAPI=OFF \
    -DSDL_RENDER=OFF -DSDL_THREADS=OFF
  echo "build-web: building SDL2_mixer"
  # Its built-in decoders only, nothing that needs another library.
  build_cmake_library "$src/libsdl2-mixer" build-web emcmake cmake -S . -B build-web \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DSDL2_DIR="$prefix/lib/cmake/SDL2" \
    -DCMAKE_FIND_ROOT_PATH="$prefix" -DBUILD_SHARED_LIBS=OFF -DSDL2MIXER_SAMPLES=OFF \
    -DSDL2MIXER_VENDORED=OFF -DSDL2MIXER_DEPS_SHARED=OFF -DSDL2MIXER_CMD=OFF \
    -DSDL2MIXER_VORBIS=STB -DSDL2MIXER_MP3=ON -DSDL2MIXER_MP3_DRMP3=ON -DSDL2MIXER_MP3_MPG123=OFF \
    -DSDL2MIXER_FLAC=ON -DSDL2MIXER_FLAC_DRFLAC=ON -DSDL2MIXER_FLAC_LIBFLAC=OFF \
    -DSDL2MIXER_MOD=OFF -DSDL2MIXER_MIDI=OFF -DSDL2MIXER_OPUS=OFF
  echo "build-web: building libpng"
  build_cmake_library "$src/libpng1.6" build-web emcmake cmake -S . -B build-web \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DPNG_SHARED=OFF -DPNG_STATIC=ON \
    -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DPNG_HARDWARE_OPTIMIZATIONS=OFF \
    -DZLIB_INCLUDE_DIR="$prefix/include" -DZLIB_LIBRARY="$prefix/lib/libz.a"

  mv "$prefix" "$deps"
  rm -rf "$work"
}

build_libraries_once "$cache_root" "$deps" build-web build_dependencies

emcmake cmake -S . -B build-web -DSHOW_WEB_DEPS="$deps" -DCMAKE_BUILD_TYPE=Release \
  -DSHOW_BUILD_TESTS=OFF -DSHOW_BUILD_BENCH=OFF > build-web.configure.log 2>&1 ||
  { cat build-web.configure.log; exit 1; }
rm -f build-web.configure.log
cmake --build build-web -j"$(nproc)" --target demo-web

rm -rf "${out:?}"/*
cp build-web/demo.js build-web/demo.wasm tools/web/index.html tools/web/README.txt "$out/"
# The show's data/ as the program's data/, in a package of its own: the
# same program plays any show. (The packer reads an @ in a path as @@.)
python3 /usr/share/emscripten/tools/file_packager.py "$out/demo.data" --preload "${show//@/@@}/data@/data" \
  --js-output="$out/demo.data.js" > build-web/pack.log 2>&1 || { cat build-web/pack.log; exit 1; }
echo "build-web: $(du -sh "$out" | cut -f1) in $out ($show/data)"
