#!/usr/bin/env bash
# Starts SORPEX, or says how to when there is no display to show it on.
set -euo pipefail
program=$1
shift || true
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display to show SORPEX on; start it under Xvfb with: xvfb-run -a -s '-screen 0 1280x800x24' $program" >&2
    exit 1
fi
exec "$program" "$@"
