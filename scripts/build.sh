#!/usr/bin/env bash
# Installs what is missing and builds everything for release: `build.sh 32` into
# build/, `build.sh 64` into build64/ (32 when no bitness is given). Extra
# arguments go to CMake's configuration; SVCGATE_TARGETS, when set, names the
# only targets to build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/bitness.sh"
use_bitness "${1:-32}"
bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$bitness_build" -DCMAKE_TOOLCHAIN_FILE="$bitness_toolchain" -DCMAKE_BUILD_TYPE=Release \
    "${@:2}" >/dev/null
cmake --build "$bitness_build" -j "$(nproc)" ${SVCGATE_TARGETS:+--target $SVCGATE_TARGETS}
