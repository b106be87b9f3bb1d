#!/usr/bin/env bash
# Installs what is missing, builds Zentivor and starts it from its staged program folder
# (the executable with its language files and an empty database beside it).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DZENTIVOR_TESTS=OFF -DZENTIVOR_BENCH=OFF
cmake --build build/release -j"$(nproc)" --target zentivor
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" build/release/zentivor/zentivor "$@"
fi
exec build/release/zentivor/zentivor "$@"
