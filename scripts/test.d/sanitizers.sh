#!/usr/bin/env bash
# Sanitizer stage: the unit and interop tests under AddressSanitizer with
# UndefinedBehaviorSanitizer (preset asan), and the tests that run the engine's threads (the
# burn and write-path jobs, the window logic's jobs, the platform's threads) under
# ThreadSanitizer (preset tsan, only those test programs are built).
set -euo pipefail
cd "$(dirname "$0")/../.."

echo "== sanitizers: asan"
cmake --preset asan >/dev/null
cmake --build --preset asan -j 2
# The CLI tests that fix the clock run the program under faketime, whose preload comes before
# the sanitizer's runtime; that order is harmless for them, so asan is told not to refuse it.
ASAN_OPTIONS=detect_leaks=1:verify_asan_link_order=0 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset asan -L 'unit|interop'

echo "== sanitizers: tsan"
threaded=(test_burn test_engine_write test_app_form test_platform test_read)
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j 2 --target "${threaded[@]}"
TSAN_OPTIONS=halt_on_error=1 ctest --preset tsan -L unit
