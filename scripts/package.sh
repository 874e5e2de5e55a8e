#!/usr/bin/env bash
# Builds the Debian packages orva and orva-datp-server, and their -dbgsym
# packages of debug symbols (.ddeb), into build/packages/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${ORVA_BUILD_DIR:-$root/build}"
# Reproducible packages: every file time is the date of the changelog's
# latest entry, as Debian's own builds take it.
if [[ -z "${SOURCE_DATE_EPOCH:-}" ]]; then
  SOURCE_DATE_EPOCH="$(date -d "$(sed -n 's/^ -- .*>  //p' "$root/packaging/debian/changelog.in" | head -1)" +%s)"
fi
export SOURCE_DATE_EPOCH
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
rm -rf "$build/packages"
(cd "$build" && cpack -G DEB --config CPackConfig.cmake >/dev/null)
rm -rf "$build/packages/_CPack_Packages"
ls -l "$build"/packages/*.deb "$build"/packages/*.ddeb
