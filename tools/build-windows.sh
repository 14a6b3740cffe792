#!/usr/bin/env bash
# Cross-builds the show for 64-bit Windows with Debian's MinGW-w64 compilers
# and packs it as dist/show-windows/ and dist/show-windows.zip.
#
#   tools/build-windows.sh           the release: the six programs, the
#                                    DLLs they need, data/, README.txt and
#                                    the author's guide
#   tools/build-windows.sh --tests   the same, and the logic tests, built to
#                                    run under Wine (tests/windows/)
#
# SDL2, SDL2_mixer, libpng, libogg and libvorbis (for demo-new's music) are
# built from Debian's source packages of the versions pinned below, fetched
# with apt-get from the Debian archive this machine uses and checked against
# tools/windows/sources.sha256; Debian's patches are applied
# (tools/debian-libraries.sh). zlib is Debian's cross-built package,
# GoogleTest the source that libgtest-dev installs. They are built once into
# a cache outside the tree (SHOW_WINDOWS_CACHE, default
# ~/.cache/show-windows), in a folder named after their versions, and reused
# while it is there. The machine's own apt set-up is left alone: apt reads
# and writes only its own source list and package lists in the cache.
#
# The program build is build-windows/. Safe to run again: it rebuilds only
# what is out of date.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

tests=OFF
case "${1:-}" in
  "") ;;
  --tests) tests=ON ;;
  *)
    echo "usage: tools/build-windows.sh [--tests]" >&2
    exit 2
    ;;
esac

tools/install-packages.sh cmake make patch xz-utils zip \
  g++-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev libgtest-dev libstb-dev
source tools/debian-libraries.sh

# Debian source package and version of each library. A new version needs
# its archives' sums in tools/windows/sources.sha256 and a new cache folder,
# which its name in `key` gives.
SOURCES=(libsdl2=2.26.5+dfsg-1 libsdl2-mixer=2.6.2+dfsg-2 libpng1.6=1.6.39-2+deb12u5
  libogg=1.3.5-3 libvorbis=1.3.7-1)
gtest_version=$(dpkg-query -W -f='${Version}' libgtest-dev)
mingw_version=$(x86_64-w64-mingw32-g++-posix -dumpfullversion)
# The last part counts changes to how the libraries are built.
key=sdl2-2.26.5-1_mixer-2.6.2-2_png-1.6.39-2deb12u5_ogg-1.3.5-3_vorbis-1.3.7-1_gtest-${gtest_version}_gcc-${mingw_version}_1
toolchain=$repo/tools/windows/mingw-w64-x86_64.cmake
jobs=$(nproc)

cache_root=${SHOW_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/show-windows}
deps=$cache_root/deps-$key
mingw_root=/usr/x86_64-w64-mingw32

# Builds the CMake project in $1 and installs it into $deps, with the
# remaining arguments as its options.
build_library() {
  local source=$1
  shift
  build_cmake_library "$source" build-windows cmake -S . -B build-windows \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$deps.partial" -DSHOW_WINDOWS_DEPS="$deps.partial" "$@"
}

build_dependencies() {
  local work=$cache_root/work
  rm -rf "$work" "$deps.partial"
  fetch_debian_sources "$work" "$repo/tools/windows/sources.sha256" "${SOURCES[@]}"

  echo "build-windows: building SDL2 (a few minutes)"
  # Only the parts the show uses: video, events, timer, audio, threads.
  build_library "$work/src/libsdl2" -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF \
    -DSDL_RENDER=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF -DSDL_SENSOR=OFF \
    -DSDL_POWER=OFF -DSDL_VULKAN=OFF -DSDL_OPENGLES=OFF
  echo "build-windows: building SDL2_mixer"
  # Its built-in decoders only, nothing that needs another library.
  build_library "$work/src/libsdl2-mixer" -DBUILD_SHARED_LIBS=ON -DSDL2MIXER_SAMPLES=OFF \
    -DSDL2MIXER_VENDORED=OFF -DSDL2MIXER_DEPS_SHARED=OFF -DSDL2MIXER_CMD=OFF \
    -DSDL2MIXER_VORBIS=STB -DSDL2MIXER_MP3=ON -DSDL2MIXER_MP3_DRMP3=ON -DSDL2MIXER_MP3_MPG123=OFF \
    -DSDL2MIXER_FLAC=ON -DSDL2MIXER_FLAC_DRFLAC=ON -DSDL2MIXER_FLAC_LIBFLAC=OFF \
    -DSDL2MIXER_MOD=OFF -DSDL2MIXER_MIDI=OFF -DSDL2MIXER_OPUS=OFF
  echo "build-windows: building libpng"
  build_library "$work/src/libpng1.6" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
    -DPNG_EXECUTABLES=OFF -DZLIB_INCLUDE_DIR="$mingw_root/include" \
    -DZLIB_LIBRARY="$mingw_root/lib/libz.a"
  echo "build-windows: building libogg and libvorbis"
  build_library "$work/src/libogg" -DBUILD_SHARED_LIBS=OFF -DINSTALL_DOCS=OFF \
    -DINSTALL_PKG_CONFIG_MODULE=OFF -DBUILD_TESTING=OFF
  build_library "$work/src/libvorbis" -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF
  echo "build-windows: building GoogleTest"
  cp -r /usr/src/googletest "$work/src/googletest"
  build_library "$work/src/googletest" -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON

  mv "$deps.partial" "$deps"
  rm -rf "$work"
}

build_libraries_once "$cache_root" "$deps" build-windows build_dependencies

programs=(demo demo-preview demo-capture demo-check model-info demo-new)
build=(--target "${programs[@]}")
configure=()
if [[ $tests == ON ]]; then
  # Everything, the tests included; ctest and the tests' discovery run the
  # test programs under Wine.
  build=()
  configure+=(-DCMAKE_CROSSCOMPILING_EMULATOR="$repo/tests/windows/wine.sh")
fi
# zlib goes into the programs, as into libpng, rather than as zlib1.dll;
# so do libogg and libvorbis.
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DSHOW_WINDOWS_DEPS="$deps" \
  -DZLIB_INCLUDE_DIR="$mingw_root/include" -DZLIB_LIBRARY="$mingw_root/lib/libz.a" \
  -DCMAKE_BUILD_TYPE=Release -DSHOW_BUILD_TESTS="$tests" -DSHOW_BUILD_BENCH=OFF \
  "${configure[@]}" > build-windows.configure.log || { cat build-windows.configure.log; exit 1; }
rm -f build-windows.configure.log
# The programs find the DLLs beside them, in the build as in the release.
cp "$deps"/bin/SDL2.dll "$deps"/bin/SDL2_mixer.dll build-windows/
cmake --build build-windows -j"$jobs" "${build[@]}"

dist=dist/show-windows
rm -rf "$dist" dist/show-windows.zip
mkdir -p "$dist"
for program in "${programs[@]}"; do cp "build-windows/$program.exe" "$dist/"; done
cp build-windows/SDL2.dll build-windows/SDL2_mixer.dll "$dist/"
cp -r data "$dist/data"
# Notepad before Windows 10 shows a file with bare LF line ends as one line.
sed 's/$/\r/' tools/windows/README.txt > "$dist/README.txt"
# The author's guide, which a script made by demo-new points to.
sed 's/$/\r/' docs/authoring.md > "$dist/authoring.md"

# Every DLL a program or a shipped DLL names must be Windows' own or shipped:
# none of MinGW's runtime DLLs (libstdc++, libgcc, libwinpthread, zlib1).
for file in "$dist"/*.exe "$dist"/*.dll; do
  x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p' | while read -r dll; do
    if [[ ! -e $dist/$dll && ( $dll == lib*.dll || $dll == zlib1.dll ) ]]; then
      echo "build-windows: $(basename "$file") needs $dll, which is not shipped" >&2
      exit 1
    fi
  done
done

(cd dist && zip -q -r -X show-windows.zip show-windows)
echo "build-windows: $(du -h dist/show-windows.zip | cut -f1) in dist/show-windows.zip"
