#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every benchmark program under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/build.sh"
for program in "$root"/build/bench/*.exe; do
    "$root/scripts/wine-run.sh" "$program"
done
