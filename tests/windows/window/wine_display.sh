#!/usr/bin/env bash
# Runs a Windows test program under Wine on a display of its own, in the window's prefix:
#   wine_display.sh <wine prefix> <program.exe> [arguments...]
set -euo pipefail
source "$(dirname "$0")/../../../scripts/lib/wine-window.sh"
wine_window_prefix "$1" || exit $?
shift
wine_window_run wine "$@"
