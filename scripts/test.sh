#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
cd "${ORVA_BUILD_DIR:-$root/build}"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)" --timeout 300

# The packages, installed and removed again as an administrator would: CI
# runs as root; elsewhere (or with ORVA_SKIP_PACKAGES=1) this step is left out.
if [[ "$(id -u)" -eq 0 && -z "${ORVA_SKIP_PACKAGES:-}" ]]; then
  "$root/scripts/check-packages.sh"
else
  echo "Pacotes não conferidos (é preciso ser root)."
fi
