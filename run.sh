#!/usr/bin/env bash
# Installs what is missing, builds what the program needs, installs the
# program folder with its menu entry and starts Kavlo. The program folder is
# ~/Kavlo unless KAVLO_HOME names another; an existing database there is
# never overwritten. The folder's uninstall.sh takes it out again.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh program
scripts/build.sh program
prefix="${KAVLO_HOME:-$HOME/Kavlo}"
scripts/install-program.sh build "$prefix"
scripts/install-desktop.sh build "$prefix"
echo "Kavlo installed in $prefix"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Kavlo needs a desktop session: neither DISPLAY nor WAYLAND_DISPLAY is set. Start it from a desktop with $prefix/kavlo" >&2
    exit 1
fi
exec "$prefix/kavlo"
