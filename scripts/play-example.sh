#!/usr/bin/env bash
# Plays an example film in a window; without a display says how to watch it instead.
set -euo pipefail
program=$1
film=$2
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$program" "$film"
fi
echo "kurvlab: no display here, so the film cannot be shown in a window."
echo "Playing one pass of $film on the offscreen platform to check that it runs:"
QT_QPA_PLATFORM=offscreen "$program" "$film" -n1
echo "Done. To watch it, run on a desktop:"
echo "    $program $film"
echo "or, to record it without a desktop, run it under a virtual X server:"
echo "    xvfb-run -s '-screen 0 1280x1024x24' $program $film"
