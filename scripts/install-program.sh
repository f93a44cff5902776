#!/usr/bin/env bash
# Lays out the program folder PREFIX from the build folder BUILD. An existing
# database there is kept, and the line saying so is shown: it tells the user
# that the records are safe. The list of copied files is not.
set -euo pipefail
if [ $# -ne 2 ]; then
    echo "usage: $0 BUILD PREFIX" >&2
    exit 2
fi
cmake --install "$1" --prefix "$2" |
    sed -n -e 's/^-- \(Keeping existing database: .*\)$/\1/p' -e 's/^-- \(Installed empty database: .*\)$/\1/p'
