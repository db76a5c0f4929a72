#!/usr/bin/env bash
# A shell (or the command given) where 32-bit programs start: natively, or
# emulated where the kernel starts none. For running ctest or a Wine program
# of the 32-bit build by hand.
set -euo pipefail
source "$(dirname "$0")/../bitness.sh"
in_32bit_world "$0" "$@"
[ $# -gt 0 ] || set -- bash
exec "$@"
