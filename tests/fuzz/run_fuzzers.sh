#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each one
# for a bounded time under AddressSanitizer and UndefinedBehaviorSanitizer.
#
#   tests/fuzz/run_fuzzers.sh [SECONDS] [TARGET...]
#
# SECONDS is each target's fuzzing time (default 60); the targets are
# model_load_fuzz, script_fuzz and png_decode_fuzz (default all). Each
# starts from its seeds in tests/fuzz/corpus/<name>/ and keeps what it
# learns in build-fuzz/corpus/<name>/ for the next run. A crashing input is
# written to build-fuzz/artifacts/; replay it with
#   build-fuzz/tests/fuzz/<target> build-fuzz/artifacts/<file>
# Exit status 0 when every target ran its time without a finding.
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds=${1:-60}
if ! [[ $seconds =~ ^[0-9]+$ ]] || ((seconds < 1)); then
  echo "usage: tests/fuzz/run_fuzzers.sh [SECONDS] [TARGET...]" >&2
  exit 2
fi
shift || true
targets=("$@")
if ((${#targets[@]} == 0)); then targets=(model_load_fuzz script_fuzz png_decode_fuzz); fi

# Seeds and dictionary of each target; extra seed folders follow the first.
seeds_of() {
  case $1 in
    model_load_fuzz) echo "tests/fuzz/corpus/model_load" ;;
    script_fuzz) echo "tests/fuzz/corpus/script" ;;
    png_decode_fuzz) echo "tests/fuzz/corpus/png_decode tests/data/png/crashers tests/data/png/badpal" ;;
    *) return 1 ;;
  esac
}
dictionary_of() {
  case $1 in
    model_load_fuzz) echo "tests/fuzz/model.dict" ;;
    script_fuzz) echo "tests/fuzz/script.dict" ;;
    png_decode_fuzz) echo "tests/fuzz/png.dict" ;;
  esac
}
for target in "${targets[@]}"; do
  seeds_of "$target" > /dev/null || { echo "unknown fuzz target: $target" >&2; exit 2; }
done

# A Debug build, so that assertions hold too; the fuzz targets choose their
# own optimisation and sanitizers.
mkdir -p build-fuzz
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Debug -DSHOW_FUZZ=ON \
  -DSHOW_BUILD_TESTS=OFF -DSHOW_BUILD_BENCH=OFF > build-fuzz/build.log 2>&1 ||
  { cat build-fuzz/build.log; exit 1; }
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]}" >> build-fuzz/build.log 2>&1 ||
  { cat build-fuzz/build.log; exit 1; }

# intercept_tls_get_addr=0: see tests/sanitizers/options.sh.
export ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:intercept_tls_get_addr=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
mkdir -p build-fuzz/artifacts
failed=()
for target in "${targets[@]}"; do
  corpus=build-fuzz/corpus/${target%_fuzz}
  mkdir -p "$corpus"
  read -r -a seeds <<< "$(seeds_of "$target")"
  echo "== $target: ${seconds} s"
  # -timeout: an input that takes 10 s is a hang; -rss_limit_mb: the PNG
  # layer may set aside up to 1 GiB for the largest picture it accepts.
  if build-fuzz/tests/fuzz/"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=3072 \
    -print_final_stats=1 -dict="$(dictionary_of "$target")" \
    -artifact_prefix=build-fuzz/artifacts/"$target"- "$corpus" "${seeds[@]}" \
    > build-fuzz/"$target".log 2>&1; then
    grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+ +DONE)" build-fuzz/"$target".log || true
  else
    failed+=("$target")
    tail -n 60 build-fuzz/"$target".log
  fi
done

if ((${#failed[@]})); then
  echo "fuzzing found problems in: ${failed[*]} (logs in build-fuzz/, inputs in build-fuzz/artifacts/)"
  exit 1
fi
echo "fuzzing: no findings in ${targets[*]}"
