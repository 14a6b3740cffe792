#!/usr/bin/env bash
# Shared set-up of run.sh and test.sh: installs the Debian packages that are
# missing, then configures and builds a Release build into build/.
# With --programs it builds there only the show and the capture, which
# run.sh plays (the tests and benchmarks are test.sh's and bench.sh's).
# With --sanitize it builds instead a Debug build with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-sanitize/ (g++, as the Release build);
# with --bench, the benchmark table's Release build in build-bench/.
# Safe to run again: it installs and rebuilds only what is out of date.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=release
case "${1:-}" in
  "") ;;
  --programs) mode=programs ;;
  --sanitize) mode=sanitize ;;
  --bench) mode=bench ;;
  *)
    echo "usage: tools/setup.sh [--programs | --sanitize | --bench]" >&2
    exit 2
    ;;
esac

PACKAGES=(
  cmake g++ make pkg-config
  libsdl2-dev libsdl2-mixer-dev libvorbis-dev libmpg123-dev libflac-dev libpng-dev
  libgl-dev libglu1-mesa-dev libgl1-mesa-dri
  libgtest-dev
  lib3ds-dev libassimp-dev libbenchmark-dev libstb-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool x11-utils libx11-dev libxfixes-dev
  xfonts-base
  ffmpeg parallel valgrind
  openssh-client openssh-server rsync
  libxml2-utils chromium
)

tools/install-packages.sh "${PACKAGES[@]}"

if [[ $mode == release || $mode == programs ]]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
  if [[ $mode == programs ]]; then
    cmake --build build -j"$(nproc)" --target demo demo-capture
  else
    cmake --build build -j"$(nproc)"
  fi
elif [[ $mode == bench ]]; then
  cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DSHOW_BUILD_TESTS=OFF
  cmake --build build-bench -j"$(nproc)" --target show_bench
else
  # The compiler is chosen only when the folder is first configured; -O1
  # keeps the sanitized tests quick without losing the assertions.
  CC=gcc CXX=g++ cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_FLAGS_DEBUG="-g -O1" -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
    -DSHOW_SANITIZE=ON -DSHOW_BUILD_BENCH=OFF
  # Test discovery runs the sanitized test programs during the build.
  source tests/sanitizers/options.sh
  cmake --build build-sanitize -j"$(nproc)"
fi
