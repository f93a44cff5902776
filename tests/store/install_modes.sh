#!/usr/bin/env bash
# The installed database is private to its owner, a reinstall keeps records
# and only ever tightens modes. Usage: install_modes.sh <build folder>
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
mode() { stat -c %a "$1"; }
install_once() { umask 022; cmake --install "$build" --prefix "$prefix" >/dev/null; }

install_once
[ "$(mode "$prefix/Database")" = 700 ] || fail "new folder is $(mode "$prefix/Database")"
[ "$(mode "$prefix/Database/qmrvz.sjk")" = 600 ] || fail "new database is $(mode "$prefix/Database/qmrvz.sjk")"
counts=$(/usr/bin/python3 - "$prefix/Database/qmrvz.sjk" <<'PY'
import sqlite3, sys
db = sqlite3.connect("file:" + sys.argv[1] + "?mode=ro", uri=True)
print(" ".join(str(db.execute("select count(*) from " + t).fetchone()[0])
               for t in ("Users_Table", "Programs_Table", "All_Table")))
PY
)
[ "$counts" = "0 0 0" ] || fail "the new database is not empty: $counts"

# An older install left everything readable by all: tightened, records kept.
echo "records" >"$prefix/Database/qmrvz.sjk"
chmod 0755 "$prefix/Database"
chmod 0644 "$prefix/Database/qmrvz.sjk"
install_once
[ "$(mode "$prefix/Database")" = 700 ] || fail "loose folder left $(mode "$prefix/Database")"
[ "$(mode "$prefix/Database/qmrvz.sjk")" = 600 ] || fail "loose database left $(mode "$prefix/Database/qmrvz.sjk")"
[ "$(cat "$prefix/Database/qmrvz.sjk")" = records ] || fail "reinstall replaced the records"

# A stricter mode the owner chose is never loosened.
chmod 0400 "$prefix/Database/qmrvz.sjk"
chmod 0500 "$prefix/Database"
install_once
[ "$(mode "$prefix/Database")" = 500 ] || fail "strict folder loosened to $(mode "$prefix/Database")"
[ "$(mode "$prefix/Database/qmrvz.sjk")" = 400 ] || fail "strict database loosened to $(mode "$prefix/Database/qmrvz.sjk")"
chmod 0700 "$prefix/Database"
echo "install modes: ok"
