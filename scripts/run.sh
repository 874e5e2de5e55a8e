#!/usr/bin/env bash
# Installs what is missing, builds, stages the program folder build/dist/ and
# starts the entry program in Brazilian Portuguese.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"

dist="${ORVA_BUILD_DIR:-$root/build}/dist"
if [[ ! -e "$dist/orva.mdb" && ! -e "$dist/Orva.mdb" ]]; then
  "$dist/orva-cli" --dir "$dist" init
fi

export LANG="${ORVA_LANG:-pt_BR.UTF-8}" LC_ALL="${ORVA_LANG:-pt_BR.UTF-8}" LANGUAGE=pt_BR
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No display found: starting Orva under Xvfb (a virtual display)."
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$dist/Orva"
fi
exec "$dist/Orva"
