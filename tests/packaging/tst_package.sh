#!/usr/bin/env bash
# The Debian package as a household gets it: made by CPack from this build
# folder's programs (nothing is compiled again), its files and their modes,
# its dependencies (the shared libraries' packages, and no server of any
# kind), its menu entry and metainfo as the desktop's validators see them, and
# the programs run from the unpacked tree.
# Usage: tst_package.sh BUILD_DIR VERSION HAS_IMPORT(0|1)
# Exit 77 (skipped) when this machine has no Debian package tools.
set -u
build=$1
version=$2
has_import=$3
for tool in dpkg-deb dpkg-shlibdeps; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: $tool is not installed, so no Debian package can be made here (package dpkg-dev)"
        exit 77
    fi
done
for tool in desktop-file-validate appstreamcli; do
    if ! command -v "$tool" >/dev/null; then
        echo "FAILED: $tool is missing; scripts/install-deps.sh tests installs it"
        exit 1
    fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/../support/checks.sh"

start=$SECONDS
if ! (cd "$build" && cpack -G DEB -B "$work/out") >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "FAIL: cpack could not make the package"
    exit 1
fi
echo "package made in $((SECONDS - start)) s"
debs=("$work"/out/kavlo_*.deb)
check "one package file: ${debs[*]}" [ ${#debs[@]} -eq 1 -a -f "${debs[0]}" ]
deb=${debs[0]}

# --- what it holds -----------------------------------------------------------
dpkg-deb -c "$deb" >"$work/contents"
# "mode owner/group size date time ./path": mode and path of each file.
awk '{ print $1, $6 }' "$work/contents" >"$work/files"
has() { # mode, path
    grep -qxF -- "$1 $2" "$work/files"
}
programs=(kavlo kavlo-server)
[ "$has_import" = 1 ] && programs+=(kavlo-import)
for program in "${programs[@]}"; do
    check "holds /usr/bin/$program, executable" has -rwxr-xr-x "./usr/bin/$program"
    check "holds the manual page of $program" has -rw-r--r-- "./usr/share/man/man1/$program.1.gz"
done
if [ "$has_import" = 0 ]; then
    check "no manual page of a program it lacks" bash -c "! grep -q 'man1/kavlo-import' '$work/files'"
fi
for file in share/kavlo/qmrvz.sjk share/kavlo/qmrvz.xls share/kavlo/qmrvz2.xls \
    share/applications/org.kavlo.Kavlo.desktop share/metainfo/org.kavlo.Kavlo.metainfo.xml; do
    check "holds /usr/$file, readable by all" has -rw-r--r-- "./usr/$file"
done
for size in 16 22 24 32 48 64 128 256; do
    check "holds the ${size}px icon" has -rw-r--r-- "./usr/share/icons/hicolor/${size}x${size}/apps/kavlo.png"
done
check "everything belongs to root" [ "$(awk '{ print $2 }' "$work/contents" | sort -u)" = root/root ]
check "nothing outside /usr" [ -z "$(awk '{ print $2 }' "$work/files" | grep -vxF './' | grep -v '^\./usr/')" ]
check "no program folder layout inside" bash -c "! grep -q '/Database' '$work/files'"

# --- its control fields -----------------------------------------------------
check "named kavlo" [ "$(dpkg-deb -f "$deb" Package)" = kavlo ]
check "version $version" bash -c "dpkg-deb -f '$deb' Version | grep -q '^$version-'"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# One package name a line, without versions and alternatives' bars.
tr ',|' '\n\n' <<<"$depends" | sed 's/(.*)//; s/^ *//; s/ *$//' | grep -v '^$' >"$work/depends"
for wanted in libqt6widgets6 libqt6core6 libpq5 libsqlite3-0 libc6 fonts-wqy-zenhei; do
    check "depends on $wanted" grep -qx "$wanted" "$work/depends"
done
for server in 'postgresql.*' 'xvfb' 'xserver.*' 'xorg.*' 'openbox' 'tint2' 'xdotool' 'imagemagick.*' \
    'poppler.*' 'python3.*' 'desktop-file-utils' 'appstream'; do
    check "depends on no $server" bash -c "! grep -qx '$server' '$work/depends'"
done
for field in Recommends Suggests; do
    check "$field names no server" bash -c "! dpkg-deb -f '$deb' $field | grep -qi 'postgresql\|xvfb'"
done

# --- unpacked ---------------------------------------------------------------
root=$work/root
dpkg-deb -x "$deb" "$root"
out=$(desktop-file-validate "$root/usr/share/applications/org.kavlo.Kavlo.desktop" 2>&1)
check "desktop-file-validate passes the menu entry: $out" [ $? -eq 0 -a -z "$out" ]
check "the menu entry starts the program on PATH" grep -qx 'Exec=kavlo' "$root/usr/share/applications/org.kavlo.Kavlo.desktop"
out=$(appstreamcli validate --no-net "$root/usr/share/metainfo/org.kavlo.Kavlo.metainfo.xml" 2>&1)
check "appstreamcli validate passes the metainfo: $out" [ $? -eq 0 ]
check "the metainfo carries the version" grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/org.kavlo.Kavlo.metainfo.xml"
for program in "${programs[@]}"; do
    check "$program.1.gz is whole" gzip -t "$root/usr/share/man/man1/$program.1.gz"
    if command -v groff >/dev/null; then
        warnings=$(zcat "$root/usr/share/man/man1/$program.1.gz" | groff -man -ww -z 2>&1)
        check "$program.1 formats without warnings: $warnings" [ -z "$warnings" ]
    fi
done

# The ledger every new user starts from holds no user and no record, not even
# when the build's own program was used meanwhile.
counts=$(/usr/bin/python3 - "$root/usr/share/kavlo/qmrvz.sjk" <<'PY'
import sqlite3, sys
db = sqlite3.connect("file:" + sys.argv[1] + "?mode=ro", uri=True)
print(" ".join(str(db.execute("select count(*) from " + t).fetchone()[0])
               for t in ("Users_Table", "Programs_Table", "All_Table")))
PY
)
check "the shipped ledger is empty ($counts)" [ "$counts" = "0 0 0" ]

out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/kavlo" --version 2>&1)
check "the packaged kavlo answers --version without a display ($out)" [ $? -eq 0 -a "${out%% (*}" = "Kavlo $version" ]

# A user who sets a shared ledger up before ever starting Kavlo: kavlo-server
# finds the package layout and makes the user's data folder.
out=$(XDG_DATA_HOME=$work/data "$root/usr/bin/kavlo-server" use-local 2>&1)
check "kavlo-server use-local in the package layout ($out)" [ $? -eq 0 ]
check "it names the user's ledger" grep -qF "$work/data/kavlo/Database/qmrvz.sjk" <<<"$out"
check "the data folder is private" [ "$(stat -c %a "$work/data/kavlo/Database")" = 700 ]
check "the user's ledger is private" [ "$(stat -c %a "$work/data/kavlo/Database/qmrvz.sjk")" = 600 ]
check "the user's ledger is the shipped one" cmp -s "$root/usr/share/kavlo/qmrvz.sjk" "$work/data/kavlo/Database/qmrvz.sjk"

# kavlo-import reads the same user's ledger, not one beside /usr/bin.
if [ "$has_import" = 1 ]; then
    printf 'x' >"$work/bill.csv"
    out=$(XDG_DATA_HOME=$work/nodata "$root/usr/bin/kavlo-import" --user 张三 "$work/bill.csv" </dev/null 2>&1)
    check "kavlo-import before the first start says there is no ledger yet ($out)" grep -qF "$work/nodata/kavlo/Database/qmrvz.sjk" <<<"$out"
    out=$(echo pw | XDG_DATA_HOME=$work/data "$root/usr/bin/kavlo-import" --user 张三 "$work/bill.csv" 2>&1)
    check "kavlo-import opens the user's ledger and asks it for the login ($out)" grep -qF "用户名或密码不对" <<<"$out"
fi

checks_end
