#!/usr/bin/env bash
# Installs what is missing, builds everything from nothing and runs every test:
# first an ordinary build with warnings as errors, then an AddressSanitizer/UBSan build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build/test -G Ninja -DZENTIVOR_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/test -j"$jobs"
(cd build/test && ctest --output-on-failure -j"$jobs" --timeout 600)

cmake -S . -B build/sanitize -G Ninja -DZENTIVOR_WERROR=ON -DZENTIVOR_SANITIZE=ON -DZENTIVOR_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1"
cmake --build build/sanitize -j"$jobs"
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build/sanitize && ctest --output-on-failure -j"$jobs" --timeout 900)

# The thread tests once more under ThreadSanitizer.
bash scripts/test-threads.sh
