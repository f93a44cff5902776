#!/usr/bin/env bash
# Configures and builds into build/ (Ninja, two jobs on this kind of machine).
#   scripts/build.sh          everything: the program, its tests and benchmarks
#   scripts/build.sh program  only what the program folder needs
# Both use the same build folder, so switching between them rebuilds nothing
# that is already built.
set -euo pipefail
cd "$(dirname "$0")/.."
extras=ON
case "${1:-all}" in
    all) ;;
    program) extras=OFF ;;
    *) echo "usage: $0 [program]" >&2; exit 2 ;;
esac
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S . -B build -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE="${CMAKE_BUILD_TYPE:-RelWithDebInfo}" \
    -DKAVLO_BUILD_TESTS="$extras" -DKAVLO_BUILD_BENCH="$extras" >/dev/null
cmake --build build -j"$(nproc)"
