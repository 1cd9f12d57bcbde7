# shellcheck shell=bash
# A throwaway PostgreSQL 15 server for a test or a benchmark, from Debian's packages, in a temporary
# folder: trust authentication, listening on 127.0.0.1 at a free port and on a unix socket in that
# folder, nothing else. It is stopped and its folder removed when the sourcing shell exits.
#
#   source tests/support/pgserver.sh
#   pgserver_start                    # sets PGSERVER_URL (TCP) and PGSERVER_SOCKET_URL, database "vistrel"
#   url=$(pgserver_createdb fresh)    # another empty database, its TCP URL
#   pgserver_psql fresh -c "SELECT 1" # psql on a database, stops at the first error
#   pgserver_recreate_command fresh   # a shell command that empties the database (for hyperfine --prepare)
#
# initdb refuses to run as root: as root, the server runs as the "postgres" system user that
# Debian's postgresql package creates, and the folder is owned by it.

PGSERVER_BIN=${PGSERVER_BIN:-/usr/lib/postgresql/15/bin}
PGSERVER_USER=vistrel  # the server's superuser, whoever runs it
PGSERVER_DIR=

# pgserver_as_owner COMMAND...: COMMAND as the user who owns the server.
pgserver_as_owner() {
  if [ "$(id -u)" = 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

# A TCP port nobody listens on now (the kernel's choice); the start is tried again if it is taken meanwhile.
pgserver_free_port() {
  /usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

pgserver_fail() {
  echo "pgserver: $*" >&2
  exit 1
}

pgserver_start() {
  local tool
  for tool in initdb pg_ctl psql; do
    [ -x "$PGSERVER_BIN/$tool" ] ||
      pgserver_fail "$PGSERVER_BIN/$tool is missing: install Debian's postgresql package (scripts/setup.sh)"
  done
  if [ "$(id -u)" = 0 ]; then
    id postgres >/dev/null 2>&1 || pgserver_fail "running as root needs the postgres system user (Debian's postgresql package)"
    command -v runuser >/dev/null || pgserver_fail "running as root needs runuser (util-linux)"
  fi
  # Its own folder under /tmp (short enough for a socket's name), reachable by the postgres user.
  PGSERVER_DIR=$(mktemp -d /tmp/pgserver.XXXXXX)
  [ "$(id -u)" = 0 ] && chown postgres: "$PGSERVER_DIR"
  pgserver_trap
  # Stopped also when this shell is killed outright (SIGKILL, a test's time-out): by a watcher in a session of its own.
  setsid bash -c "$(declare -f pgserver_as_owner pgserver_stop)"'
    while kill -0 "$1" 2>/dev/null; do sleep 1; done
    PGSERVER_DIR=$2 PGSERVER_BIN=$3 pgserver_stop' pgserver-watch $$ "$PGSERVER_DIR" "$PGSERVER_BIN" \
    </dev/null >/dev/null 2>&1 &
  pgserver_as_owner "$PGSERVER_BIN/initdb" -D "$PGSERVER_DIR/data" -U "$PGSERVER_USER" --auth=trust \
    --encoding=UTF8 --locale=C.UTF-8 >"$PGSERVER_DIR/initdb.log" 2>&1 ||
    { cat "$PGSERVER_DIR/initdb.log" >&2; pgserver_fail "initdb failed"; }
  local attempt
  for attempt in 1 2 3 4 5; do
    PGSERVER_PORT=$(pgserver_free_port)
    if pgserver_as_owner "$PGSERVER_BIN/pg_ctl" start -w -t 60 -D "$PGSERVER_DIR/data" -l "$PGSERVER_DIR/server.log" \
      -o "-c listen_addresses=127.0.0.1 -c port=$PGSERVER_PORT -c unix_socket_directories=$PGSERVER_DIR" \
      >/dev/null 2>&1; then
      break
    fi
    grep -q 'could not bind' "$PGSERVER_DIR/server.log" 2>/dev/null && [ "$attempt" -lt 5 ] && continue
    cat "$PGSERVER_DIR/server.log" >&2 2>/dev/null
    pgserver_fail "the server did not start"
  done
  "$PGSERVER_BIN/psql" -X -q -h 127.0.0.1 -p "$PGSERVER_PORT" -U "$PGSERVER_USER" -d postgres \
    -c "CREATE DATABASE vistrel" >/dev/null || pgserver_fail "cannot create a database"
  export PGSERVER_PORT PGSERVER_DIR
  export PGSERVER_URL="postgresql://$PGSERVER_USER@127.0.0.1:$PGSERVER_PORT/vistrel"
  export PGSERVER_SOCKET_URL="postgresql://$PGSERVER_USER@/vistrel?host=$PGSERVER_DIR&port=$PGSERVER_PORT"
}

pgserver_stop() {
  [ -n "$PGSERVER_DIR" ] || return 0
  if [ -f "$PGSERVER_DIR/data/postmaster.pid" ]; then
    pgserver_as_owner "$PGSERVER_BIN/pg_ctl" stop -m immediate -w -D "$PGSERVER_DIR/data" >/dev/null 2>&1 || true
  fi
  rm -rf "$PGSERVER_DIR"
  PGSERVER_DIR=
}

# Stopped on exit, before whatever the sourcing shell had asked for then.
pgserver_trap() {
  local -a words
  eval "words=($(trap -p EXIT))"  # trap -- 'COMMANDS' EXIT
  trap -- "pgserver_stop; ${words[2]:-}" EXIT
}

# pgserver_psql DATABASE ARGS...: psql as the superuser over TCP, no ~/.psqlrc, stops at the first error.
pgserver_psql() {
  local db=$1
  shift
  "$PGSERVER_BIN/psql" -X -q -v ON_ERROR_STOP=1 -h 127.0.0.1 -p "$PGSERVER_PORT" -U "$PGSERVER_USER" -d "$db" "$@"
}

# pgserver_recreate_command DATABASE: a command for sh that drops the database (closing its
# connections) and creates it empty.
pgserver_recreate_command() {
  echo "PGOPTIONS=--client-min-messages=warning $PGSERVER_BIN/psql -X -q -v ON_ERROR_STOP=1 -h 127.0.0.1 -p $PGSERVER_PORT -U $PGSERVER_USER -d postgres" \
    "-c 'DROP DATABASE IF EXISTS \"$1\" WITH (FORCE)' -c 'CREATE DATABASE \"$1\"'"
}

# pgserver_createdb NAME: a new, empty database (dropped first if it exists); prints its TCP URL.
pgserver_createdb() {
  sh -c "$(pgserver_recreate_command "$1")" >/dev/null || pgserver_fail "cannot create the database $1"
  echo "postgresql://$PGSERVER_USER@127.0.0.1:$PGSERVER_PORT/$1"
}
