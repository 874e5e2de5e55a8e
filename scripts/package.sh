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
# package.sh [FOLDER]: the packages go to FOLDER instead of build/packages.
pacotes="${1:-$build/packages}"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
rm -rf "$pacotes"
(cd "$build" && cpack -G DEB --config CPackConfig.cmake -B "$pacotes" >/dev/null)
rm -rf "$pacotes/_CPack_Packages"
# CPack lists the files of a -dbgsym package in its md5sums by their path in
# its own staging folder; they are packed again with the paths inside the
# package, as every package has them (dpkg-deb keeps SOURCE_DATE_EPOCH's times).
for ddeb in "$pacotes"/*.ddeb; do
  arvore="$(mktemp -d)"
  dpkg-deb -R "$ddeb" "$arvore/p"
  sed -i 's|  /.*/usr/lib/debug/|  usr/lib/debug/|' "$arvore/p/DEBIAN/md5sums"
  dpkg-deb --root-owner-group -Zgzip -b "$arvore/p" "$ddeb" >/dev/null
  rm -rf "$arvore"
done
ls -l "$pacotes"/*.deb "$pacotes"/*.ddeb
