#!/usr/bin/env bash
# Makes the Debian package kavlo_<version>-1_<arch>.deb in OUTPUT (default
# build/), from the build folder's programs: built first when build/ has
# none yet (the program alone, as ./run.sh builds it). Install it with
#   sudo apt install ./kavlo_<version>-1_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(mkdir -p "${1:-build}" && cd "${1:-build}" && pwd)
if [ -f build/CMakeCache.txt ]; then
    cmake --build build -j"$(nproc)"
else
    scripts/install-deps.sh program
    scripts/build.sh program
fi
if ! command -v dpkg-shlibdeps >/dev/null; then
    echo "make-deb: dpkg-shlibdeps is missing (package dpkg-dev); it finds the package's dependencies" >&2
    exit 1
fi
(cd build && cpack -G DEB -B "$out" >/dev/null)
ls "$out"/kavlo_*.deb
