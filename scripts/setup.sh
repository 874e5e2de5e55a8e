#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing.
set -euo pipefail

packages=(
  cmake ninja-build ccache g++ pkg-config
  qt6-base-dev qt6-translations-l10n      # widgets, print support, Qt's pt_BR texts ("Sim" / "Não")
  libsqlite3-dev sqlite3                  # the database; the shell is the export benchmark's baseline
  libarchive-dev libarchive-tools         # the archiver; bsdtar lists its archives in the tests
  libgtest-dev                            # tests
  libpq-dev postgresql postgresql-contrib # the server engine; a throwaway cluster for its tests (unaccent)
  xvfb xauth fonts-dejavu-core            # a display and a font where there is none
  poppler-utils                           # pdftotext / pdftoppm: report tests and screenshots
  locales
  dpkg-dev file                           # packages: dpkg-shlibdeps finds their libraries, file finds the programs
  lintian desktop-file-utils appstream    # package checks: lintian, desktop entries, metainfo
  devscripts                              # hardening-check: the packaged programs' hardening
  x11-utils                               # xwininfo: the installed Orva's window under Xvfb
  bash-completion                         # orva-cli's completion, driven in bash by its test
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The program runs in Brazilian Portuguese; English is there to see the date-format check.
for loc in pt_BR.UTF-8 en_US.UTF-8; do
  if ! locale -a 2>/dev/null | grep -qi "^${loc%.*}.utf-\?8$"; then
    sed -i "s/^# *\(${loc} UTF-8\)/\1/" /etc/locale.gen
    need_gen=1
  fi
done
if [[ -n "${need_gen:-}" ]]; then
  locale-gen >/dev/null
fi
