#!/usr/bin/env bash
# A private PostgreSQL server for the tests: its own data folder and socket
# under DIR, no TCP port, run as an unprivileged user (root may not run a
# server: as root the server runs as "nobody").
#
#   pg_server.sh start DIR [--durable]
#                            starts it (stopping one an earlier run left)
#                            and writes DIR/conninfo; where no server can
#                            start, writes the reason to DIR/skip instead.
#                            Tests' servers do not sync to the disk; a
#                            --durable one does, as an office's (benchmarks)
#   pg_server.sh stop DIR    stops it and removes its data
#
# The server also stops by itself when the process that started it (ctest)
# is gone, so that a run killed half-way leaves none behind.
set -uo pipefail

action=${1:-}
dir=${2:-}
durable=${3:-}
[ -n "$action" ] && [ -n "$dir" ] || { echo "usage: pg_server.sh start|stop DIR" >&2; exit 2; }
dir=$(realpath -m "$dir")

bindir=""
for d in $(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V -r); do
  if [ -x "$d/initdb" ] && [ -x "$d/pg_ctl" ]; then bindir=$d; break; fi
done
if [ -z "$bindir" ] && command -v initdb >/dev/null 2>&1; then bindir=$(dirname "$(command -v initdb)"); fi

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    setpriv --reuid=nobody --regid="$(id -gn nobody 2>/dev/null || echo nogroup)" --clear-groups -- "$@"
  else
    "$@"
  fi
}

# Where the server's folder really is (the build tree, or a folder in /tmp
# when the unprivileged user cannot reach the build tree or its socket path
# would be too long).
server_dir() { if [ -f "$dir/where" ]; then cat "$dir/where"; else echo "$dir/server"; fi; }

stop_server() {
  local where
  where=$(server_dir)
  if [ -n "$bindir" ] && [ -f "$where/data/postmaster.pid" ]; then
    (cd / && as_owner "$bindir/pg_ctl" -D "$where/data" -m fast -w -t 20 stop >/dev/null 2>&1) ||
      (cd / && as_owner "$bindir/pg_ctl" -D "$where/data" -m immediate -w -t 20 stop >/dev/null 2>&1)
  fi
  rm -rf "$where"
  rm -f "$dir/where" "$dir/conninfo"
}

skip() {
  echo "$1" > "$dir/skip"
  echo "PostgreSQL tests skipped: $1"
  exit 0
}

case "$action" in
stop)
  [ -d "$dir" ] || exit 0
  stop_server
  exit 0
  ;;
start) ;;
*) echo "usage: pg_server.sh start|stop DIR" >&2; exit 2 ;;
esac

mkdir -p "$dir"
rm -f "$dir/skip"
stop_server
[ -n "$bindir" ] || skip "no PostgreSQL server programs (initdb, pg_ctl) here: install the Debian package postgresql"

where="$dir/server"
mkdir -p "$where"
if [ "$(id -u)" -eq 0 ]; then
  id nobody >/dev/null 2>&1 || skip "running as root, and there is no user nobody to run the server as"
  chown nobody "$where" 2>/dev/null
fi
# A socket path is at most 107 bytes.
if ! as_owner test -w "$where" 2>/dev/null || [ $(( ${#where} + 25 )) -gt 100 ]; then
  rm -rf "$where"
  where=$(mktemp -d /tmp/dorvak-pg.XXXXXX) || skip "cannot make a folder for the server"
  [ "$(id -u)" -eq 0 ] && chown nobody "$where"
  echo "$where" > "$dir/where"
fi
mkdir -p "$where/socket"
[ "$(id -u)" -eq 0 ] && chown nobody "$where/socket"

locale=C.UTF-8
locale -a 2>/dev/null | grep -qi '^c\.utf-\?8$' || locale=C
if ! (cd / && as_owner "$bindir/initdb" -D "$where/data" -U dorvak_test --auth=trust -E UTF8 --locale="$locale" -N \
        >"$dir/initdb.log" 2>&1); then
  skip "initdb failed: $(tail -n 3 "$dir/initdb.log" | tr '\n' ' ')"
fi
opts="-k $where/socket -c listen_addresses= -c max_connections=200 -c log_min_messages=warning"
if [ "$durable" != --durable ]; then
  opts="$opts -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c shared_buffers=32MB"
fi
if ! (cd / && as_owner "$bindir/pg_ctl" -D "$where/data" -l "$where/server.log" -o "$opts" -w -t 60 start >"$dir/start.log" 2>&1); then
  cp "$where/server.log" "$dir/server.log" 2>/dev/null
  skip "the server did not start: $(tail -n 3 "$dir/start.log" "$where/server.log" 2>/dev/null | tr '\n' ' ')"
fi
echo "host=$where/socket port=5432 user=dorvak_test dbname=postgres" > "$dir/conninfo"

# The watchdog: once ctest (our parent) is gone, the server goes too. It
# minds this server only: one started in the same folder by the next run
# (its own postmaster) is not its business.
parent=$PPID
postmaster=$(head -n 1 "$where/data/postmaster.pid")
setsid bash -c "ours() { [ \"\$(head -n 1 '$where/data/postmaster.pid' 2>/dev/null)\" = '$postmaster' ]; }
  while kill -0 $parent 2>/dev/null && ours; do sleep 2; done
  if ours; then '$0' stop '$dir'; fi" </dev/null >/dev/null 2>&1 &
echo "PostgreSQL $("$bindir/postgres" --version | awk "{print \$3}") started for the tests: $(cat "$dir/conninfo")"
exit 0
