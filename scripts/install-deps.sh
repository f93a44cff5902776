#!/usr/bin/env bash
# Installs the Debian packages Kavlo needs, in one of two sets:
#   scripts/install-deps.sh program  building and running the program (./run.sh)
#   scripts/install-deps.sh tests    that, and what the test suite runs
#                                    (./test.sh): a PostgreSQL server, an X
#                                    server, a window manager and panel, the
#                                    picture, PDF, workbook and package tools
# Idempotent: packages already present are skipped, so a second run is quick.
#
# The tests start throwaway PostgreSQL clusters of their own. Debian's server
# package would also create and start a "main" cluster that nobody asked for,
# so on a machine without any cluster and without
# /etc/postgresql-common/createcluster.conf, that file is written first, with
# create_main_cluster = false. An existing file or cluster is the admin's
# choice and stays as it is. KAVLO_SYSCONFDIR (default /etc) lets the script
# be tried on a scratch tree.
set -euo pipefail

PROGRAM_PACKAGES=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-translations-l10n qt6-charts-dev
    libsqlite3-dev libfreexl-dev libgsf-1-dev
    libquazip1-qt6-dev libofx-dev
    libpq-dev
    fonts-wqy-zenhei
    libxcb1-dev
)
TEST_PACKAGES=(
    "${PROGRAM_PACKAGES[@]}"
    postgresql-15 postgresql-common
    xvfb xauth xdotool imagemagick x11-utils openbox tint2
    poppler-utils python3-xlrd
    desktop-file-utils appstream dpkg-dev
)

case "${1:-}" in
    program) PACKAGES=("${PROGRAM_PACKAGES[@]}") ;;
    tests) PACKAGES=("${TEST_PACKAGES[@]}") ;;
    *) echo "usage: $0 program|tests" >&2; exit 2 ;;
esac

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

# True when some PostgreSQL cluster is configured here already: each has its
# configuration in <sysconf>/postgresql/<version>/<name>/.
has_cluster() {
    local conf
    for conf in "$1"/postgresql/*/*/postgresql.conf; do
        [ -e "$conf" ] && return 0
    done
    return 1
}

sysconf=${KAVLO_SYSCONFDIR:-/etc}
createcluster=$sysconf/postgresql-common/createcluster.conf
for pkg in "${missing[@]}"; do
    if [[ $pkg == postgresql-[0-9]* ]] && [ ! -e "$createcluster" ] && ! has_cluster "$sysconf"; then
        echo "install-deps: $createcluster: create_main_cluster = false (the tests start servers of their own)"
        "${SUDO[@]}" mkdir -p "$(dirname "$createcluster")"
        printf '%s\n' \
            "# Written by Kavlo's scripts/install-deps.sh before installing the PostgreSQL" \
            "# server for its tests, which start throwaway clusters of their own." \
            "create_main_cluster = false" | "${SUDO[@]}" tee "$createcluster" >/dev/null
        break
    fi
done

echo "install-deps: installing ${missing[*]}"
"${SUDO[@]}" apt-get update -qq
# The configuration file written above is kept: postgresql-common would
# otherwise ask whether to replace it. Through env, as sudo drops the
# caller's environment.
"${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive UCF_FORCE_CONFFOLD=1 apt-get install -y -qq \
    -o Dpkg::Options::=--force-confdef -o Dpkg::Options::=--force-confold "${missing[@]}"
