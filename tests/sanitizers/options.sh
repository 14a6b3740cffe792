# Run-time options of AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer for the sanitized build. test.sh and
# tools/setup.sh source this file before they run anything built in
# build-sanitize/ (gtest's test discovery runs the test programs during the
# build). To run ctest by hand there: source tests/sanitizers/options.sh.
sanitizer_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# intercept_tls_get_addr=0: the runtime of g++ 12 (and clang 14) guesses
# that a dynamic TLS block whose address lies 16 bytes into a page carries
# the header that glibc before 2.25 put there, and reads the two words in
# front of it as the block's range. glibc 2.36 has no such header, so a
# block of a library loaded at run time (Mesa's driver) that lands there by
# chance gives a bogus range ("DTLS 13 at 0x...081a-0x00180000191c"), and
# LeakSanitizer's tracer dies on it at exit ("Tracer caught signal 11").
# Whether it happens depends on where malloc puts the block, so it shows on
# some machines every time and on others never. Without the interceptor
# LeakSanitizer does not scan dynamic TLS blocks for pointers; nothing of
# ours keeps heap memory only in thread-local storage.
export ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1:check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=1:intercept_tls_get_addr=0"
# Mesa's llvmpipe and SDL keep some allocations until the process ends; the
# suppressions name only those libraries.
export LSAN_OPTIONS="suppressions=$sanitizer_dir/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
unset sanitizer_dir
