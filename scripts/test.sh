#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
cd "${ORVA_BUILD_DIR:-$root/build}"

# A throwaway PostgreSQL cluster for the tests of the server engine, stopped
# and removed at the end whatever happens. Without one those tests skip; CI
# must have it.
pg="$(mktemp -d /tmp/orva-pg.XXXXXX)"
if ORVA_TEST_PG="$("$root/scripts/pg-cluster.sh" start "$pg")"; then
  export ORVA_TEST_PG
  trap '"$root/scripts/pg-cluster.sh" stop "$pg" || true; rm -rf "$pg"' EXIT
else
  rm -rf "$pg"
  if [[ -n "${CI:-}" ]]; then
    echo "O cluster PostgreSQL dos testes não iniciou." >&2
    exit 1
  fi
  echo "Sem cluster PostgreSQL: os testes do servidor de banco de dados serão pulados."
fi
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)" --timeout 300

# The Windows release, cross-built, its suite and its road under Wine (the
# dependencies come from a cache that the first run fills). ORVA_SKIP_WINDOWS=1
# leaves it out on a developer's machine; CI always runs it.
if [[ -z "${ORVA_SKIP_WINDOWS:-}" || -n "${CI:-}" ]]; then
  "$root/scripts/windows.sh" test
else
  echo "Versão para Windows não conferida (ORVA_SKIP_WINDOWS)."
fi

# The packages, installed and removed again as an administrator would: CI
# runs as root; elsewhere (or with ORVA_SKIP_PACKAGES=1) this step is left out.
if [[ "$(id -u)" -eq 0 && -z "${ORVA_SKIP_PACKAGES:-}" ]]; then
  "$root/scripts/check-packages.sh"
else
  echo "Pacotes não conferidos (é preciso ser root)."
fi
