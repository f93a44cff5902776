#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite on Qt's
# offscreen platform.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh tests
scripts/build.sh
export QT_QPA_PLATFORM=offscreen
cd build
ctest --output-on-failure -j"$(nproc)" "$@"
