#!/usr/bin/env bash
# Builds the thread tests with ThreadSanitizer and runs them: the worker threads and their
# hand-over to the main thread, the thread components and the change monitors.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build/tsan -G Ninja -DZENTIVOR_WERROR=ON -DZENTIVOR_TSAN=ON -DZENTIVOR_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g1 -O1" -DCMAKE_C_FLAGS_DEBUG="-g1 -O1"
cmake --build build/tsan -j"$jobs" --target test_threads
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
# ThreadSanitizer needs the address layout it knows: run without address randomisation.
norandom=()
if setarch "$(uname -m)" -R true 2>/dev/null; then
  norandom=(setarch "$(uname -m)" -R)
fi
(cd build/tsan && "${norandom[@]}" ./tests/test_threads)
