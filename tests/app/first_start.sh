#!/usr/bin/env bash
# The real program, run from a script in an empty folder: it creates the
# database with all eleven tables, shows the login and ends on "quit"; a
# file that is not a database gives one box and the login still comes.
set -euo pipefail
program="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen

cd "$work"
echo quit > script
DORVAK_UI_SCRIPT=script "$program" 2> log || { cat log; echo "program failed"; exit 1; }
tables="$(sqlite3 dorvak.db "SELECT COUNT(*) FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite%'")"
[ "$tables" = 11 ] || { echo "expected 11 tables, got $tables"; exit 1; }
[ "$(sqlite3 dorvak.db 'PRAGMA user_version')" = 1 ] || { echo "user_version is not 1"; exit 1; }

mkdir broken && cd broken
head -c 4096 /dev/zero | tr '\0' 'x' > dorvak.db
printf 'box ok\nquit\n' > script
DORVAK_UI_SCRIPT=script "$program" 2> log || { cat log; echo "program failed on a broken file"; exit 1; }
[ "$(grep -c '^\[ui\] box' log)" = 1 ] || { cat log; echo "expected exactly one box"; exit 1; }
grep -q 'dorvak.db' log || { cat log; echo "the box does not name the file"; exit 1; }

# A box the script does not expect makes the run fail.
echo quit > script
if DORVAK_UI_SCRIPT=script "$program" 2> log; then echo "an unexpected box went unnoticed"; exit 1; fi
echo ok
