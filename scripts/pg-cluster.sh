#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the tests, in a folder of its own:
#   pg-cluster.sh start DIR [PORT]  creates and starts it; prints its connection string
#   pg-cluster.sh stop DIR          stops it (the folder is the caller's to remove)
# It listens only on a Unix socket in DIR, so no port is taken and nothing
# outside the machine can reach it; with PORT (for the Windows programs
# under Wine, which have no Unix sockets) on 127.0.0.1:PORT too. PostgreSQL refuses to run as root: as
# root the cluster belongs to the unprivileged user orvapg.
set -euo pipefail
comando="${1:-}"
pasta="${2:-}"
porta="${3:-}"
if [[ -z "$pasta" || ( "$comando" != start && "$comando" != stop ) ]]; then
  echo "Uso: $0 start|stop PASTA" >&2
  exit 2
fi
bin="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)"
if [[ -z "$bin" ]]; then
  echo "PostgreSQL não está instalado (scripts/setup.sh o instala)." >&2
  exit 1
fi
dono=orvapg
como_dono() {
  if [[ "$(id -u)" -eq 0 ]]; then runuser -u "$dono" -- "$@"; else "$@"; fi
}

case "$comando" in
start)
  mkdir -p "$pasta"
  pasta="$(cd "$pasta" && pwd)"
  if [[ "$(id -u)" -eq 0 ]]; then
    id "$dono" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$dono"
    chown "$dono" "$pasta"
  fi
  como_dono "$bin/initdb" -D "$pasta/data" -U orva --auth=trust -E UTF8 --locale=C.UTF-8 >"$pasta/initdb.log"
  # A cluster for tests: what it holds is thrown away, so it need not
  # survive a crash of the machine.
  como_dono "$bin/pg_ctl" -D "$pasta/data" -l "$pasta/servidor.log" -w -t 60 \
    -o "-k $pasta -c listen_addresses='${porta:+127.0.0.1}' ${porta:+-p $porta} -c fsync=off -c synchronous_commit=off -c full_page_writes=off" \
    start >/dev/null
  if [[ -n "$porta" ]]; then
    echo "host=127.0.0.1 port=$porta user=orva dbname=postgres"
  else
    echo "host=$pasta user=orva dbname=postgres"
  fi
  ;;
stop)
  como_dono "$bin/pg_ctl" -D "$pasta/data" -m fast -w -t 60 stop >/dev/null
  ;;
esac
