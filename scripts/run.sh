#!/usr/bin/env bash
# Installs what is missing, builds Zentivor and starts it from the user's program folder
# ($HOME/zentivor, or the folder named by ZENTIVOR_HOME). The build is installed into that
# folder: the program's files are replaced, the user's tables, settings, notes and grid
# layouts are never touched, so a clean rebuild or a deleted build folder loses no data.
set -euo pipefail
cd "$(dirname "$0")/.."
folder=${ZENTIVOR_HOME:-$HOME/zentivor}
bash scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DZENTIVOR_TESTS=OFF -DZENTIVOR_BENCH=OFF
cmake --build build/release -j"$(nproc)" --target zentivor
bash scripts/install-program.sh build/release/zentivor "$folder"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$folder/zentivor" "$@"
fi
exec "$folder/zentivor" "$@"
