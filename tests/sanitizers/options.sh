# Run-time options of AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer for the sanitized build. test.sh and
# tools/setup.sh source this file before they run anything built in
# build-sanitize/ (gtest's test discovery runs the test programs during the
# build). To run ctest by hand there: source tests/sanitizers/options.sh.
sanitizer_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1:check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=1"
# Mesa's llvmpipe and SDL keep some allocations until the process ends; the
# suppressions name only those libraries.
export LSAN_OPTIONS="suppressions=$sanitizer_dir/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
unset sanitizer_dir
