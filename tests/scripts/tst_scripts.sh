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
passed=0
failed=0
check() { # description, condition...
    local what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: $what"
    fi
}

# A PATH holding only the tools install-deps.sh needs, plus stand-ins.
fake_path() { # folder, uid, [with-sudo]
    local bin=$1
    mkdir -p "$bin"
    for tool in grep cat; do ln -sf "$(command -v "$tool")" "$bin/$tool"; done
    printf '#!/bin/sh\necho %s\n' "$2" >"$bin/id"
    # Every package is reported missing.
    printf '#!/bin/sh\nexit 1\n' >"$bin/dpkg-query"
    printf '#!/bin/sh\necho "apt-get $*" >>"%s/calls"\n' "$bin" >"$bin/apt-get"
    if [ "${3:-}" = with-sudo ]; then
        printf '#!/bin/sh\necho "sudo $*" >>"%s/calls"\n' "$bin" >"$bin/sudo"
    fi
    chmod +x "$bin"/*
}

# --- install-deps.sh -------------------------------------------------------
fake_path "$work/nosudo" 1000
out=$(PATH="$work/nosudo" /bin/bash "$src/scripts/install-deps.sh" 2>&1)
rc=$?
check "no sudo: fails" [ "$rc" -ne 0 ]
check "no sudo: one line" [ "$(printf '%s\n' "$out" | wc -l)" -eq 1 ]
check "no sudo: says what to do ($out)" grep -q "run this as root, or install and configure sudo" <<<"$out"
check "no sudo: nothing installed" [ ! -e "$work/nosudo/calls" ]

fake_path "$work/sudo" 1000 with-sudo
PATH="$work/sudo" /bin/bash "$src/scripts/install-deps.sh" >/dev/null 2>&1
check "with sudo: installs through sudo" grep -q "^sudo apt-get install -y -qq .*openbox" "$work/sudo/calls"

fake_path "$work/root" 0
PATH="$work/root" /bin/bash "$src/scripts/install-deps.sh" >/dev/null 2>&1
check "as root: installs directly" grep -q "^apt-get install -y -qq .*tint2" "$work/root/calls"
check "as root: no sudo" bash -c "! grep -q '^sudo' '$work/root/calls'"

# --- run.sh ----------------------------------------------------------------
# run.sh itself, with stand-ins for the steps it runs in order.
tree=$work/tree
mkdir -p "$tree/scripts"
cp "$src/run.sh" "$tree/"
for step in install-deps build; do
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
    diff <(printf 'install-deps \nbuild program\ninstall build %s\n' "$work/home") "$tree/steps"
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

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
