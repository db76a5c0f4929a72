#!/usr/bin/env bash
# Installs what is missing and builds everything into build/ for release.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" -j "$(nproc)"
