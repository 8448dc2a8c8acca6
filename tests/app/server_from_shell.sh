#!/usr/bin/env bash
# The real program with its database setting pointing at the tests'
# PostgreSQL server: a server that is not there gives one box naming it and
# the program ends with 1; an empty database gets the program's tables and
# the first user on first start, and the next start logs that user in.
# Exit 77 (skipped) where the tests' server is not running.
source "$(dirname "$0")/server_shell.sh"
cd "$work"

printf 'box ok\nquit\n' > script
set +e
DORVAK_DB="host=$work/nothing port=5999 dbname=orders" DORVAK_UI_SCRIPT=script "$program" 2> log
code=$?
set -e
[ "$code" = 1 ] || { cat log; echo "expected exit code 1 without a server, got $code"; exit 1; }
grep -q '^\[ui\] box.*无法连接数据库服务器' log && grep -q 'server .*/nothing:5999' log || { cat log; echo "the box does not name the server"; exit 1; }
grep -q 'UNUSED' log && { cat log; echo "the program went on after the box"; exit 1; }

cat > script <<'SCRIPT'
type Fdl/Edit1 admin
type Fdl/Edit3 123
type Fdl/Edit4 123
click Fdl/Button3
type Fdl/Ed_yhm admin
type Fdl/Ed_mm 123
click Fdl/Button1
select fmain/trlb 产品出库管理系统
quit
SCRIPT
DORVAK_DB="$target" DORVAK_UI_SCRIPT=script "$program" 2> log || { cat log; echo "first start on the server failed"; exit 1; }
tables="$(psql -X -A -t "$target" -c "SELECT COUNT(*) FROM pg_tables WHERE schemaname = 'public' AND tablename <> 'dorvak_version'")"
[ "$tables" = 11 ] || { echo "expected 11 tables, got $tables"; exit 1; }
[ "$(psql -X -A -t "$target" -c 'SELECT yhm FROM zq_yhm')" = admin ] || { echo "the first user is not stored"; exit 1; }

# Through dorvak.ini this time; the first-user group is gone.
printf '[Database]\nConnection=%s\n' "$target" > dorvak.ini
sed -n '5,$p' script > again
DORVAK_UI_SCRIPT=again "$program" 2> log || { cat log; echo "the second start on the server failed"; exit 1; }
[ ! -e dorvak.db ] || { echo "a dorvak.db was made although the setting names a server"; exit 1; }
echo ok
