# The run-time settings of AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer for a build configured with -DGRAVELIN_SANITIZE=ON.
# Sourced by scripts/test --sanitize; by hand, before ctest in build-sanitize:
#
#   source scripts/sanitizers.sh && cd build-sanitize && ctest -LE server
#
# The settings reach every test and every program a test starts.

GRAVELIN_SANITIZER_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

# halt_on_error: the first memory error ends the process, so a test cannot
#   pass on a corrupted heap.
# detect_leaks: kept on; what the Firebird client keeps until exit by design
#   is suppressed by function name in lsan.supp, nothing of ours. (Qt leaves
#   nothing the check reports.)
# intercept_tls_get_addr=0: the leak check at exit otherwise reads the
#   thread-local storage of dlopen'ed libraries (the Firebird engine) from a
#   stale table under Debian 12's glibc and dies of a segfault ("Tracer
#   caught signal 11") instead of checking. Only that storage goes unscanned.
# check_initialization_order, strict_init_order: a static of one library
#   read by another's initialiser before it is set is an error too.
# detect_stack_use_after_return: a pointer to a returned function's local.
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:intercept_tls_get_addr=0:check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$GRAVELIN_SANITIZER_DIR/lsan.supp:print_suppressions=0"
# print_stacktrace: where the undefined behaviour happened, not just what.
# halt_on_error: the build already makes every finding fatal
#   (-fno-sanitize-recover=undefined); said again for checks compiled in
#   any other way.
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
