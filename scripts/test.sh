#!/usr/bin/env bash
# Installs what is missing, builds everything from nothing and runs every test:
# first an ordinary build with warnings as errors and every test, then an
# AddressSanitizer/UBSan build of the code that reads outside bytes, writes files, locks or
# runs threads (the tests labelled "sanitize": every test executable but the window tests, and
# every fuzz replay; see cmake/Zentivor.cmake).
# Debug information is line tables only (-g1): enough for every backtrace, and much quicker to
# build than full debug information.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build/test -G Ninja -DZENTIVOR_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG"
cmake --build build/test -j"$jobs"
(cd build/test && ctest --output-on-failure -j"$jobs" --timeout 600)

cmake -S . -B build/sanitize -G Ninja -DZENTIVOR_WERROR=ON -DZENTIVOR_SANITIZE=ON -DZENTIVOR_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g1 -O1" -DCMAKE_C_FLAGS_DEBUG="-g1 -O1"
cmake --build build/sanitize -j"$jobs" --target zv_sanitize_tests
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build/sanitize && ctest --output-on-failure -j"$jobs" --timeout 900 -L sanitize)

# The thread tests once more under ThreadSanitizer.
bash scripts/test-threads.sh
