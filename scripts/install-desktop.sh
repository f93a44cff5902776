#!/usr/bin/env bash
# Gives the program folder PREFIX (laid out by install-program.sh from the
# build folder BUILD) a menu entry and icons for this user, where the XDG
# rules put them:
#   $XDG_DATA_HOME/applications/org.kavlo.Kavlo.desktop
#   $XDG_DATA_HOME/icons/hicolor/<size>/apps/kavlo.png
# (XDG_DATA_HOME defaults to ~/.local/share), and PREFIX/uninstall.sh, which
# takes the program, the entry and the icons away again. The entry and icon
# files written are listed in PREFIX/.desktop-files for it.
set -euo pipefail
if [ $# -ne 2 ]; then
    echo "usage: $0 BUILD PREFIX" >&2
    exit 2
fi
src=$(cd "$(dirname "$0")/.." && pwd)
build=$1
prefix=$(cd "$2" && pwd)
data=${XDG_DATA_HOME:-}
# The base directory rules ignore a relative path.
case $data in
    /*) ;;
    *) data=$HOME/.local/share ;;
esac
id=org.kavlo.Kavlo

case $prefix in
    *$'\n'*) echo "install-desktop: a folder name with a line break cannot go into a menu entry: $prefix" >&2; exit 1 ;;
esac

# An Exec argument of a desktop entry: in double quotes with \ " ` $ escaped,
# then the string rules of the file double every backslash, and a literal %
# is written %%.
exec_argument() {
    local s=$1
    s=${s//\\/\\\\}
    s=${s//\"/\\\"}
    s=${s//\`/\\\`}
    s=${s//\$/\\\$}
    s="\"$s\""
    s=${s//\\/\\\\}
    printf '%s' "${s//%/%%}"
}

program=$prefix/kavlo
apps=$data/applications
entry=$apps/$id.desktop
mkdir -p "$apps"
tmp=$(mktemp "$apps/.$id.XXXXXX")
trap 'rm -f "$tmp"' EXIT
while IFS= read -r line; do
    case $line in
        Exec=*) line="Exec=$(exec_argument "$program")" ;;
        TryExec=*) line="TryExec=${program//\\/\\\\}" ;;
    esac
    printf '%s\n' "$line"
done <"$src/packaging/$id.desktop" >"$tmp"
chmod 0644 "$tmp"
mv "$tmp" "$entry"
trap - EXIT

written=("$entry")
found=0
for icon in "$build"/packaging/icons/*x*/kavlo.png; do
    [ -f "$icon" ] || continue
    size=$(basename "$(dirname "$icon")")
    target=$data/icons/hicolor/$size/apps/kavlo.png
    install -D -m 0644 "$icon" "$target"
    written+=("$target")
    found=$((found + 1))
done
if [ "$found" -eq 0 ]; then
    echo "install-desktop: no icons in $build/packaging/icons; build the program first (scripts/build.sh program)" >&2
    exit 1
fi

install -m 0755 "$src/scripts/uninstall.sh" "$prefix/uninstall.sh"
printf '%s\n' "${written[@]}" >"$prefix/.desktop-files"

# Menus pick a new entry up by themselves; the cache only makes it quicker.
if command -v update-desktop-database >/dev/null; then
    update-desktop-database -q "$apps" || echo "install-desktop: update-desktop-database failed; the menu entry shows once the menu reads $apps again" >&2
fi
echo "Menu entry: $entry"
