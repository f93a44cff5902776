#!/usr/bin/env bash
# Installs every Debian package Kavlo needs to build, run and test.
# Idempotent: packages already present are skipped, so a second run is quick.
set -euo pipefail

PACKAGES=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-translations-l10n qt6-charts-dev
    libsqlite3-dev libfreexl-dev libgsf-1-dev
    libquazip1-qt6-dev libofx-dev
    libpq-dev postgresql-15 postgresql-common
    fonts-wqy-zenhei
    libxcb1-dev
    xvfb xauth xdotool imagemagick x11-utils openbox tint2
    poppler-utils python3-xlrd
)

missing=()
for pkg in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$pkg")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: all packages present"
    exit 0
fi

SUDO=()
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
        echo "install-deps: ${#missing[@]} packages are missing (${missing[*]}); run this as root, or install and configure sudo" >&2
        exit 1
    fi
    SUDO=(sudo)
fi
echo "install-deps: installing ${missing[*]}"
"${SUDO[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${SUDO[@]}" apt-get install -y -qq "${missing[@]}"
