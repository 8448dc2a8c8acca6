# Sourced by the shell tests of the program on the tests' PostgreSQL server,
# with the program and the server's folder as $1 and $2: sets `program`,
# `conn` (the server, as its superuser), `target` (an empty database of the
# test's own, dropped at the end) and `work` (a scratch folder, removed at
# the end). Exits 77 (skipped) where the server is not running.
set -euo pipefail
program="$1"
pgdir="$2"
conn="$(cat "$pgdir/conninfo" 2>/dev/null || true)"
if [ -z "$conn" ]; then echo "skipped: $(cat "$pgdir/skip" 2>/dev/null || echo 'no server')"; exit 77; fi
work="$(mktemp -d)"
db="shell_$$_$RANDOM"
cleanup() { psql -X -q "$conn" -c "DROP DATABASE IF EXISTS $db WITH (FORCE)" >/dev/null 2>&1 || true; rm -rf "$work"; }
trap cleanup EXIT
psql -X -q "$conn" -c "CREATE DATABASE $db" >/dev/null
target="${conn% dbname=*} dbname=$db"
export QT_QPA_PLATFORM=offscreen
fail() { echo "$*"; exit 1; }
