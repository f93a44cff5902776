#!/usr/bin/env bash
# Builds everything with AddressSanitizer (LeakSanitizer on) and
# UndefinedBehaviorSanitizer into build-asan/ and runs the whole test suite
# there. Any report ends the reporting process with an error, so its test
# fails. The benchmark programs are left out: they measure speed, and
# sanitizers would only distort it.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
sanitize="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B build-asan -G Ninja "${launcher[@]}" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKAVLO_BUILD_BENCH=OFF \
    -DCMAKE_C_FLAGS="$sanitize" -DCMAKE_CXX_FLAGS="$sanitize" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null

# The build itself runs a sanitized tool (the workbook templates' maker).
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:abort_on_error=0"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
cmake --build build-asan -j"$(nproc)"

export QT_QPA_PLATFORM=offscreen
cd build-asan
ctest --output-on-failure -j"$(nproc)" "$@"
