#!/usr/bin/env bash
# The set-up scripts in the situations a new user meets: no root and no sudo,
# no desktop session, a second install over existing records. Real scripts
# of this tree; only the system commands they would change things with
# (package tools, the build, the program itself) are stand-ins.
# Usage: tst_scripts.sh SOURCE_DIR BUILD_DIR
set -u
src=$1
build=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/../support/checks.sh"

# A PATH holding only the tools install-deps.sh needs, plus stand-ins. The
# stand-in apt-get notes, at each install, what createcluster.conf then held.
fake_path() { # folder, uid, [with-sudo]
    local bin=$1
    mkdir -p "$bin"
    for tool in grep cat env mkdir tee dirname; do ln -sf "$(command -v "$tool")" "$bin/$tool"; done
    printf '#!/bin/sh\necho %s\n' "$2" >"$bin/id"
    # Every package is reported missing.
    printf '#!/bin/sh\nexit 1\n' >"$bin/dpkg-query"
    cat >"$bin/apt-get" <<STANDIN
#!/bin/bash
echo "apt-get \$*" >>"$bin/calls"
if [ "\$1" = install ]; then
    conf=\${KAVLO_SYSCONFDIR:-/etc}/postgresql-common/createcluster.conf
    if [ -e "\$conf" ]; then echo "conf: \$(grep -v '^#' "\$conf")" >>"$bin/calls"; else echo "conf: none" >>"$bin/calls"; fi
fi
STANDIN
    if [ "${3:-}" = with-sudo ]; then
        printf '#!/bin/sh\necho "sudo $*" >>"%s/calls"\nexec "$@"\n' "$bin" >"$bin/sudo"
    fi
    chmod +x "$bin"/*
}

# --- install-deps.sh -------------------------------------------------------
deps() { # folder, set, [sysconf]: runs install-deps.sh with the folder's PATH
    PATH="$1" KAVLO_SYSCONFDIR="${3:-$1/etc}" /bin/bash "$src/scripts/install-deps.sh" "$2"
}
installed() { # folder: the packages its install call named, one a line
    grep '^\(sudo \)\?\(env .*\)\?apt-get install' "$1/calls" | head -1 | tr ' ' '\n' | grep -v '^-\|=\|^sudo$\|^env$\|^apt-get$\|^install$' | sort
}

fake_path "$work/nosudo" 1000
out=$(deps "$work/nosudo" tests 2>&1)
rc=$?
check "no sudo: fails" [ "$rc" -ne 0 ]
check "no sudo: one line" [ "$(printf '%s\n' "$out" | wc -l)" -eq 1 ]
check "no sudo: says what to do ($out)" grep -q "run this as root, or install and configure sudo" <<<"$out"
check "no sudo: nothing installed" [ ! -e "$work/nosudo/calls" ]
check "no sudo: nothing written" [ ! -e "$work/nosudo/etc" ]

fake_path "$work/sudo" 1000 with-sudo
deps "$work/sudo" tests >/dev/null 2>&1
check "with sudo: installs through sudo" grep -q "^sudo env .*apt-get install -y -qq .*openbox" "$work/sudo/calls"
check "with sudo: writes createcluster.conf through sudo" grep -q "^sudo tee $work/sudo/etc/postgresql-common/createcluster.conf" "$work/sudo/calls"
check "with sudo: the server installs without a main cluster" grep -qx "conf: create_main_cluster = false" "$work/sudo/calls"

fake_path "$work/root" 0
deps "$work/root" tests >/dev/null 2>&1
check "as root: installs directly" grep -q "^apt-get install -y -qq .*tint2" "$work/root/calls"
check "as root: no sudo" bash -c "! grep -q '^sudo' '$work/root/calls'"
check "as root: createcluster.conf is there before the install" grep -qx "conf: create_main_cluster = false" "$work/root/calls"
check "as root: updates the package lists first" [ "$(head -1 "$work/root/calls")" = "apt-get update -qq" ]

# The two sets: ./run.sh's builds and runs the program and brings no server,
# display server or test tool; ./test.sh's holds all of it and what the
# tests run.
fake_path "$work/program" 0
deps "$work/program" program >/dev/null 2>&1
installed "$work/program" >"$work/program.set"
installed "$work/root" >"$work/tests.set"
for pkg in build-essential cmake qt6-base-dev qt6-charts-dev libpq-dev libsqlite3-dev libfreexl-dev libgsf-1-dev \
    libquazip1-qt6-dev libofx-dev fonts-wqy-zenhei; do
    check "program set: has $pkg" grep -qx "$pkg" "$work/program.set"
done
for pkg in postgresql-15 postgresql-common xvfb xauth openbox tint2 xdotool imagemagick x11-utils poppler-utils \
    python3-xlrd desktop-file-utils appstream; do
    check "program set: no $pkg" bash -c "! grep -qx '$pkg' '$work/program.set'"
    check "test set: has $pkg" grep -qx "$pkg" "$work/tests.set"
done
check "test set: has dpkg-dev" grep -qx dpkg-dev "$work/tests.set"
check "test set: holds the whole program set" [ -z "$(comm -23 "$work/program.set" "$work/tests.set")" ]
check "program set: no createcluster.conf" [ ! -e "$work/program/etc/postgresql-common/createcluster.conf" ]

# An admin's own createcluster.conf, or a cluster already there, is left as
# it is.
fake_path "$work/admin" 0
mkdir -p "$work/admin/etc/postgresql-common"
printf 'create_main_cluster = true\n# mine\n' >"$work/admin/etc/postgresql-common/createcluster.conf"
deps "$work/admin" tests >/dev/null 2>&1
check "admin's createcluster.conf: kept" \
    [ "$(cat "$work/admin/etc/postgresql-common/createcluster.conf")" = "$(printf 'create_main_cluster = true\n# mine')" ]
fake_path "$work/cluster" 0
mkdir -p "$work/cluster/etc/postgresql/15/main"
touch "$work/cluster/etc/postgresql/15/main/postgresql.conf"
deps "$work/cluster" tests >/dev/null 2>&1
check "existing cluster: no createcluster.conf written" [ ! -e "$work/cluster/etc/postgresql-common/createcluster.conf" ]
check "existing cluster: still installs" grep -q "^apt-get install .*postgresql-15" "$work/cluster/calls"

fake_path "$work/noset" 0
deps "$work/noset" "" >/dev/null 2>&1
rc=$?
check "no set named: usage error" [ "$rc" -eq 2 ]
check "no set named: nothing installed" [ ! -e "$work/noset/calls" ]

# --- run.sh ----------------------------------------------------------------
# run.sh itself, with stand-ins for the steps it runs in order.
tree=$work/tree
mkdir -p "$tree/scripts"
cp "$src/run.sh" "$tree/"
for step in install-deps build install-desktop; do
    printf '#!/bin/sh\necho "%s $*" >>"%s/steps"\n' "$step" "$tree" >"$tree/scripts/$step.sh"
done
cat >"$tree/scripts/install-program.sh" <<STEP
#!/bin/sh
echo "install \$*" >>"$tree/steps"
mkdir -p "\$2"
printf '#!/bin/sh\necho started >>"$tree/steps"\n' >"\$2/kavlo"
chmod +x "\$2/kavlo"
STEP
chmod +x "$tree"/scripts/*.sh

run_case() { # name, environment assignments...
    rm -f "$tree/steps"
    local name=$1
    shift
    env -u DISPLAY -u WAYLAND_DISPLAY KAVLO_HOME="$work/home" "$@" "$tree/run.sh" >"$work/$name.out" 2>"$work/$name.err"
}
run_case nosession
rc=$?
check "no session: fails" [ "$rc" -ne 0 ]
check "no session: installs and builds only the program first" \
    diff <(printf 'install-deps program\nbuild program\ninstall build %s\ninstall-desktop build %s\n' "$work/home" "$work/home") "$tree/steps"
check "no session: one line" [ "$(wc -l <"$work/nosession.err")" -eq 1 ]
check "no session: says so" grep -q "Kavlo needs a desktop session: neither DISPLAY nor WAYLAND_DISPLAY is set" "$work/nosession.err"
run_case x11 DISPLAY=:5
check "X11 session: starts the program" grep -qx started "$tree/steps"
run_case wayland WAYLAND_DISPLAY=wayland-0
check "Wayland session: starts the program" grep -qx started "$tree/steps"

# --- install-program.sh ----------------------------------------------------
prefix=$work/Kavlo
first=$("$src/scripts/install-program.sh" "$build" "$prefix" 2>&1)
check "first install: lays out the program" [ -x "$prefix/kavlo" -a -f "$prefix/Database/qmrvz.xls" ]
check "first install: says the database is new ($first)" \
    [ "$first" = "Installed empty database: $prefix/Database/qmrvz.sjk" ]
echo "records" >>"$prefix/Database/qmrvz.sjk"
before=$(md5sum <"$prefix/Database/qmrvz.sjk")
second=$("$src/scripts/install-program.sh" "$build" "$prefix" 2>&1)
check "reinstall: shows that the records are kept ($second)" \
    [ "$second" = "Keeping existing database: $prefix/Database/qmrvz.sjk" ]
check "reinstall: the records are untouched" [ "$(md5sum <"$prefix/Database/qmrvz.sjk")" = "$before" ]

# --- install-desktop.sh and uninstall.sh -----------------------------------
# A program folder whose name needs quoting in a menu entry, and a data home
# of its own instead of the user's.
prefix2="$work/My Kavlo"
xdg=$work/xdg
entry=$xdg/applications/org.kavlo.Kavlo.desktop
png_size() { # file: "WIDTHxHEIGHT" from the PNG header
    /usr/bin/python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print("%dx%d" % struct.unpack(">II", d[16:24]) if d[:8]==b"\x89PNG\r\n\x1a\n" else "not a PNG")' "$1"
}
install_desktop() {
    "$src/scripts/install-program.sh" "$build" "$prefix2" >/dev/null 2>&1 &&
        XDG_DATA_HOME=$xdg "$src/scripts/install-desktop.sh" "$build" "$prefix2" >"$work/desktop.out" 2>&1
}
install_desktop
check "menu entry: installed ($(cat "$work/desktop.out"))" [ -f "$entry" ]
if command -v desktop-file-validate >/dev/null; then
    out=$(desktop-file-validate "$entry" 2>&1)
    check "menu entry: desktop-file-validate passes it ($out)" [ $? -eq 0 -a -z "$out" ]
else
    check "menu entry: desktop-file-validate is installed (scripts/install-deps.sh tests)" false
fi
check "menu entry: starts this folder's program" grep -qxF "Exec=\"$prefix2/kavlo\"" "$entry"
check "menu entry: Chinese name with an English fallback" bash -c "grep -qx 'Name=Kavlo' '$entry' && grep -q '^Name\[zh_CN\]=.*账本' '$entry'"
check "menu entry: in Office and Finance" grep -qx 'Categories=Office;Finance;' "$entry"
for size in 16 22 24 32 48 64 128 256; do
    icon=$xdg/icons/hicolor/${size}x${size}/apps/kavlo.png
    check "icon ${size}px: installed at its size" [ "$(png_size "$icon" 2>&1)" = "${size}x${size}" ]
done
check "uninstall.sh: in the program folder" [ -x "$prefix2/uninstall.sh" ]

# Records, a backup and a server choice: the family's data.
echo "records" >>"$prefix2/Database/qmrvz.sjk"
ledger_sum=$(md5sum <"$prefix2/Database/qmrvz.sjk")
mkdir -p "$prefix2/Database/Backup"
echo backup >"$prefix2/Database/Backup/qmrvz-2026-12-01.sjk"
echo "host=ledger.home" >"$prefix2/Database/server.conf"

out=$("$prefix2/uninstall.sh" --bogus </dev/null 2>&1)
check "uninstall --bogus: usage error" [ $? -eq 2 ]
check "uninstall --bogus: removes nothing" [ -x "$prefix2/kavlo" -a -f "$entry" ]

out=$("$prefix2/uninstall.sh" </dev/null 2>&1)
check "uninstall: succeeds ($out)" [ $? -eq 0 ]
check "uninstall: says where the ledger is kept" grep -qF "$prefix2/Database" <<<"$out"
for gone in "$prefix2/kavlo" "$prefix2/kavlo-server" "$prefix2/Database/qmrvz.xls" "$prefix2/Database/qmrvz2.xls" \
    "$prefix2/uninstall.sh" "$entry" "$xdg/icons/hicolor/48x48/apps/kavlo.png"; do
    check "uninstall: removes ${gone#$work/}" [ ! -e "$gone" ]
done
check "uninstall: keeps the ledger" [ "$(md5sum <"$prefix2/Database/qmrvz.sjk")" = "$ledger_sum" ]
check "uninstall: keeps the backups" [ -f "$prefix2/Database/Backup/qmrvz-2026-12-01.sjk" ]
check "uninstall: keeps the server choice" [ -f "$prefix2/Database/server.conf" ]

# Installed again over the kept ledger, then asked to remove the data too.
install_desktop
check "reinstall: the kept ledger is in use again" [ "$(md5sum <"$prefix2/Database/qmrvz.sjk")" = "$ledger_sum" ]
out=$("$prefix2/uninstall.sh" --remove-data <<<"no" 2>&1)
check "remove data, answered no: refused" [ $? -eq 1 ]
check "remove data, answered no: removes nothing" \
    [ -x "$prefix2/kavlo" -a -f "$entry" -a "$(md5sum <"$prefix2/Database/qmrvz.sjk")" = "$ledger_sum" ]
out=$("$prefix2/uninstall.sh" --remove-data </dev/null 2>&1)
check "remove data, no answer at all: removes nothing" [ $? -eq 1 -a -f "$prefix2/Database/qmrvz.sjk" ]
echo "my own notes" >"$prefix2/notes.txt"
out=$("$prefix2/uninstall.sh" --remove-data <<<"yes" 2>&1)
check "remove data, answered yes: succeeds ($out)" [ $? -eq 0 ]
check "remove data: the ledger, backups and server choice are gone" [ ! -e "$prefix2/Database" ]
check "remove data: the program and entry are gone" [ ! -e "$prefix2/kavlo" -a ! -e "$entry" ]
check "remove data: the user's own file stays" [ "$(cat "$prefix2/notes.txt")" = "my own notes" ]

# --- what run.sh builds ---------------------------------------------------
# The configuration scripts/build.sh makes for run.sh: the program folder's
# targets, and no test or benchmark among them.
if cmake -S "$src" -B "$work/program-build" -G Ninja -DKAVLO_BUILD_TESTS=OFF -DKAVLO_BUILD_BENCH=OFF >/dev/null 2>&1; then
    targets=$(cmake --build "$work/program-build" --target help 2>/dev/null | sed -n 's/^\([^ :]*\):.*/\1/p')
    for wanted in kavlo kavlo-mkdb kavlo-mkxls; do
        check "program build: has $wanted" grep -qx "$wanted" <<<"$targets"
    done
    check "program build: no tests or benchmarks" bash -c "! grep -E '^(tst_|test_|bench_|kavlo_testsupport|kavlo_benchsupport)' <<<'$targets'"
else
    check "program build: configures" false
fi

checks_end
