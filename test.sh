#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with ctest.
#   ./test.sh             the Release build in build/
#   ./test.sh --sanitize  the build with AddressSanitizer and
#                         UndefinedBehaviorSanitizer in build-sanitize/
set -euo pipefail
cd "$(dirname "$0")"
build=build
case "${1:-}" in
  "") ;;
  --sanitize) build=build-sanitize ;;
  *)
    echo "usage: ./test.sh [--sanitize]" >&2
    exit 2
    ;;
esac
tools/setup.sh "$@"
if [[ $build == build-sanitize ]]; then source tests/sanitizers/options.sh; fi
cd "$build"
ctest --output-on-failure -j"$(nproc)"
