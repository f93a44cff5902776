#!/usr/bin/env bash
# Runs a test program on a real X server under openbox, with a tint2 panel
# that reserves a strut at the bottom of the screen, as a user's desktop
# would have. Starts all three itself and ends them afterwards.
# Exit 77 (skipped) only when no X server can be started here.
set -u
program=$1
shift

if ! command -v Xvfb >/dev/null; then
    echo "SKIPPED: Xvfb is not installed, so no X server can be started here"
    exit 77
fi
for tool in openbox tint2 xprop; do
    if ! command -v "$tool" >/dev/null; then
        echo "FAILED: $tool is missing; scripts/install-deps.sh installs it"
        exit 1
    fi
done

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display itself and writes its number to fd 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "${pids[0]}" 2>/dev/null || break
    sleep 0.1
done
if [ ! -s "$work/display" ]; then
    echo "SKIPPED: Xvfb could not start an X server here: $(tail -n 3 "$work/xvfb.log" | tr '\n' ' ')"
    exit 77
fi
export DISPLAY=":$(head -n 1 "$work/display")"

wait_for() { # seconds, command...
    local tries=$(($1 * 10))
    shift
    for _ in $(seq "$tries"); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

# openbox with its packaged configuration, whatever the user's own says.
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME"
openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
if ! wait_for 10 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'; then
    echo "FAILED: openbox did not start"; cat "$work/openbox.log"; exit 1
fi

cat >"$work/tint2rc" <<'RC'
panel_items = T
panel_position = bottom center horizontal
panel_size = 100% 30
strut_policy = follow_size
panel_layer = top
taskbar_mode = single_desktop
task_icon = 0
RC
tint2 -c "$work/tint2rc" >"$work/tint2.log" 2>&1 &
pids+=($!)
if ! wait_for 10 sh -c 'xprop -root _NET_WORKAREA | grep -q "= 0, 0, 1024, 738"'; then
    echo "FAILED: the tint2 panel reserved no strut"; cat "$work/tint2.log"; exit 1
fi

QT_QPA_PLATFORM=xcb "$program" "$@"
