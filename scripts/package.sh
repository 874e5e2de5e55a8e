#!/usr/bin/env bash
# Builds the Debian packages orva and orva-datp-server into build/packages/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${ORVA_BUILD_DIR:-$root/build}"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
rm -rf "$build/packages"
(cd "$build" && cpack -G DEB --config CPackConfig.cmake >/dev/null)
rm -rf "$build/packages/_CPack_Packages"
ls -l "$build"/packages/*.deb
