#!/usr/bin/env bash
# Installs what is missing, builds, installs the program folder and starts
# Kavlo. The program folder is ~/Kavlo unless KAVLO_HOME names another; an
# existing database there is never overwritten.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh
prefix="${KAVLO_HOME:-$HOME/Kavlo}"
cmake --install build --prefix "$prefix" >/dev/null
echo "Kavlo installed in $prefix"
exec "$prefix/kavlo"
