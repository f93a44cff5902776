#!/usr/bin/env bash
# Takes away Kavlo's program folder (the folder this script is in), with its
# menu entry and icons. The ledger stays: Database/qmrvz.sjk, its Backup/
# and server.conf are the family's records. --remove-data removes them as
# well, once "yes" answers the question; any other answer removes nothing.
set -euo pipefail
usage() { echo "usage: $0 [--remove-data]"; }
remove_data=0
case "${1:-}" in
    "") ;;
    --remove-data) remove_data=1 ;;
    -h | --help) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
esac
[ $# -le 1 ] || { usage >&2; exit 2; }
prefix=$(cd "$(dirname "$0")" && pwd)
db=$prefix/Database

if [ "$remove_data" -eq 1 ]; then
    echo "这会永久删除账本 $db/qmrvz.sjk 和它的全部备份，无法恢复。"
    echo "This deletes the ledger $db/qmrvz.sjk and all its backups for good."
    printf '确定吗？输入 yes 确认 / Type yes to delete them: '
    answer=
    read -r answer || true
    if [ "$answer" != yes ]; then
        echo "已取消，什么也没有删除。"
        echo "Cancelled; nothing was removed."
        exit 1
    fi
fi

# The menu entry and icons, as install-desktop.sh listed them.
apps=
if [ -f "$prefix/.desktop-files" ]; then
    while IFS= read -r file; do
        [ -n "$file" ] || continue
        rm -f -- "$file"
        case $file in *.desktop) apps=$(dirname "$file") ;; esac
    done <"$prefix/.desktop-files"
fi
# The program files, and nothing else of the folder: it may hold the user's
# own files.
rm -f -- "$prefix/kavlo" "$prefix/kavlo-server" "$prefix/kavlo-import" \
    "$db/qmrvz.xls" "$db/qmrvz2.xls" "$prefix/.desktop-files" "$prefix/uninstall.sh"

if [ "$remove_data" -eq 1 ]; then
    rm -f -- "$db/qmrvz.sjk" "$db/qmrvz.sjk-journal" "$db/server.conf" "$db"/Backup/qmrvz-*.sjk "$db"/Backup/qmrvz-*.sjk.part
    rmdir -- "$db/Backup" 2>/dev/null || true
    rmdir -- "$db" 2>/dev/null || true
    rmdir -- "$prefix" 2>/dev/null || true
    if [ -e "$db" ]; then
        echo "Kavlo 已卸载，账本已删除；$db 里还有别的文件，保留未动。"
        echo "Kavlo is uninstalled and its ledger deleted; $db holds other files, which were left alone."
    else
        echo "Kavlo 已卸载，账本已删除。"
        echo "Kavlo is uninstalled and its ledger deleted."
    fi
else
    echo "Kavlo 已卸载。账本保留在 $db（删除它请用 uninstall.sh --remove-data）。"
    echo "Kavlo is uninstalled. The ledger is kept in $db."
fi
if [ -n "$apps" ] && [ -d "$apps" ] && command -v update-desktop-database >/dev/null; then
    update-desktop-database -q "$apps" || echo "update-desktop-database failed; the menu drops the entry once it reads $apps again" >&2
fi
