#!/usr/bin/env bash
# Runs the UI test program on the virtual display xvfb-run gives it. With no
# window manager there, Wine draws the windows' frames and captions itself when
# told so before the program's display driver starts.
set -euo pipefail
run=$(cd "$(dirname "$0")/../../scripts" && pwd)/wine-run.sh
"$run" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null
exec "$run" "$@"
