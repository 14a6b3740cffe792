#!/usr/bin/env bash
# Builds the benchmarks in Release into build-bench/ and runs the show's
# benchmark table (timeline, script load, host frame, PNG loading against
# stb_image, the whole show's frame rate beside a raw GL loop, start-up
# time), then prints the goals and ratios measured in the same run.
# Extra arguments go to Google Benchmark, e.g. --benchmark_repetitions=5.
set -euo pipefail
cd "$(dirname "$0")"
tools/setup.sh --bench
build-bench/bench/show_bench "$@"
