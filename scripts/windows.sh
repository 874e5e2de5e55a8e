#!/usr/bin/env bash
# Builds the Windows x86-64 release from this tree, cross-compiled on Debian 12
# with MinGW-w64: the dependencies from Debian's own source packages (cached),
# ORVA against them, the program folder and the installer. As root on a fresh
# machine it installs what it needs with apt.
#
#   scripts/windows.sh          build the programs and ORVA-<version>-setup.exe
#   scripts/windows.sh test     the same, then the suite and the road under Wine
#
# The dependency cache is ORVA_WINDOWS_CACHE (default ~/.cache/orva-windows);
# the build goes to ORVA_WINDOWS_BUILD_DIR (default build-windows/).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cache="${ORVA_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/orva-windows}"
build="${ORVA_WINDOWS_BUILD_DIR:-$root/build-windows}"
logs="$build/logs"
jobs="${ORVA_JOBS:-$(nproc)}"
toolchain="$root/packaging/windows/toolchain-mingw64.cmake"
triple=x86_64-w64-mingw32
mkdir -p "$cache/deps" "$cache/src" "$logs"

# One step at a time, its output in a log of its own; a failure names both.
step_name=""
step_log=""
trap 'rc=$?; if ((rc)) && [[ -n "$step_name" ]]; then echo "Falhou o passo \"$step_name\" (saída $rc); veja $step_log" >&2; fi' EXIT
step() {
  step_name="$1"
  step_log="$logs/$2.log"
  echo "== $step_name"
}
run() { "$@" >>"$step_log" 2>&1; }
done_step() { step_name=""; }

packages=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  mingw-w64-x86-64-dev libz-mingw-w64-dev      # the cross compilers, Windows headers, zlib for libarchive
  cmake ninja-build ccache pkg-config dpkg-dev  # builds; apt-get source unpacks with dpkg-source
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n  # Qt's host tools (moc, rcc, uic) and pt_BR texts
  tcl perl                                     # the SQLite amalgamation; Qt's header sync
  wine64 xvfb xauth fonts-dejavu-core          # the tests under Wine
  nsis                                         # the installer
)
step "Pacotes do Debian" packages
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "   instalando: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  run apt-get update -qq
  run apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
done_step

# Source packages come through an apt configuration of our own, so the
# machine's package lists are left as they are.
aptdir="$cache/apt"
apt_own() { APT_CONFIG="$aptdir/apt.conf" "$@"; }
apt_sources_ready=""
prepare_apt_sources() {
  [[ -n "$apt_sources_ready" ]] && return
  mkdir -p "$aptdir/lists/partial" "$aptdir/cache" "$aptdir/archives/partial"
  cat >"$aptdir/sources.list" <<EOF
deb-src http://deb.debian.org/debian bookworm main
deb-src http://deb.debian.org/debian bookworm-updates main
deb-src http://deb.debian.org/debian-security bookworm-security main
EOF
  cat >"$aptdir/apt.conf" <<EOF
Dir::Etc::SourceList "$aptdir/sources.list";
Dir::Etc::SourceParts "/nonexistent";
Dir::State::Lists "$aptdir/lists";
Dir::Cache "$aptdir/cache";
Dir::Cache::archives "$aptdir/archives";
APT::Sandbox::User "root";
EOF
  run apt_own apt-get update
  apt_sources_ready=1
}

# Unpacks Debian's source of PACKAGE[=VERSION] under $cache/src and prints its folder.
fetch_source() {
  local pkg="$1" version="${2:-}"
  prepare_apt_sources
  if [[ -z "$version" ]]; then
    version="$(apt_own apt-cache showsrc "$pkg" | awk '/^Version:/ {print $2}' | sort -V | tail -1)"
  fi
  [[ -n "$version" ]] || { echo "Fonte $pkg não encontrada nas listas do Debian." >>"$step_log"; return 1; }
  local upstream="${version#*:}"
  upstream="${upstream%-*}"
  local dir="$cache/src/$pkg-$upstream-${version##*-}"
  if [[ ! -f "$dir/.completo" ]]; then
    rm -rf "$dir" "$dir.tmp"
    mkdir -p "$dir.tmp"
    (cd "$dir.tmp" && run apt_own apt-get source -qq "$pkg=$version")
    local unpacked
    unpacked="$(find "$dir.tmp" -mindepth 1 -maxdepth 1 -type d | head -1)"
    mv "$unpacked" "$dir"
    rm -rf "$dir.tmp"
    touch "$dir/.completo"
  fi
  echo "$dir"
}

# A dependency is installed into $cache/deps/NAME-VERSION.tmp and renamed
# only when complete, so an interrupted build is never taken for a good one.
have_dep() { compgen -G "$cache/deps/$1-*" >/dev/null && find "$cache/deps" -maxdepth 1 -name "$1-*" ! -name '*.tmp' | grep -q .; }
dep_dir() { find "$cache/deps" -maxdepth 1 -name "$1-*" ! -name '*.tmp' | sort -V | tail -1; }
version_of() { basename "$1" | sed -E 's/^[^-]+-[^-]+-?//'; }

cross_cmake() {
  run cmake -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release "$@"
}

build_qt() {
  local host_version src prefix work
  host_version="$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)"
  prefix="$cache/deps/qt6-base-$host_version"
  [[ -d "$prefix" ]] && { QT_PREFIX="$prefix"; return; }
  step "Qt 6 base $host_version (fonte do Debian; cerca de 15 minutos em 2 núcleos)" qt6-base
  src="$(fetch_source qt6-base "$host_version")"
  work="$cache/work/qt6-base"
  rm -rf "$work" "$prefix.tmp"
  # Only what ORVA loads, with Qt's bundled third-party libraries. OpenGL
  # stays: the Windows platform plugin of 6.4.2 does not compile without it.
  # Debian's source has no wintab, hence no tablet events.
  cross_cmake -S "$src" -B "$work" -DCMAKE_INSTALL_PREFIX="$prefix.tmp" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DBUILD_SHARED_LIBS=ON -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_concurrent=OFF \
    -DFEATURE_xml=OFF -DFEATURE_vulkan=OFF -DFEATURE_tabletevent=OFF -DFEATURE_zstd=OFF \
    -DFEATURE_sql_sqlite=OFF -DFEATURE_openssl=OFF -DFEATURE_icu=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF \
    -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF \
    -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_libb2=OFF -DFEATURE_system_md4c=OFF
  run cmake --build "$work" -j "$jobs"
  run cmake --install "$work"
  mv "$prefix.tmp" "$prefix"
  rm -rf "$work"
  QT_PREFIX="$prefix"
  done_step
}

build_sqlite() {
  if have_dep sqlite3; then SQLITE_PREFIX="$(dep_dir sqlite3)"; return; fi
  step "SQLite (amálgama da fonte do Debian)" sqlite3
  local src version prefix work
  src="$(fetch_source sqlite3)"
  version="$(basename "$src" | sed 's/^sqlite3-//')"
  prefix="$cache/deps/sqlite3-$version"
  work="$cache/work/sqlite3"
  rm -rf "$work" "$prefix.tmp"
  mkdir -p "$work" "$prefix.tmp/include" "$prefix.tmp/lib" "$prefix.tmp/bin"
  (cd "$work" && run "$src/configure" --disable-tcl && run make sqlite3.c)
  # The options Debian builds its library with, where ORVA may meet them.
  local flags=(-O2 -DSQLITE_SECURE_DELETE -DSQLITE_ENABLE_COLUMN_METADATA -DSQLITE_ENABLE_FTS3
    -DSQLITE_ENABLE_RTREE -DSQLITE_ENABLE_UNLOCK_NOTIFY -DSQLITE_ENABLE_DBSTAT_VTAB
    -DSQLITE_MAX_SCHEMA_RETRY=25 -DSQLITE_ENABLE_MATH_FUNCTIONS -DSQLITE_THREADSAFE=1
    -DSQLITE_API='__declspec(dllexport)')
  run $triple-gcc-posix "${flags[@]}" -shared -o "$prefix.tmp/bin/sqlite3.dll" "$work/sqlite3.c" \
    -Wl,--out-implib,"$prefix.tmp/lib/libsqlite3.dll.a"
  cp "$work/sqlite3.h" "$work/sqlite3ext.h" "$prefix.tmp/include/" 2>/dev/null || cp "$work/sqlite3.h" "$prefix.tmp/include/"
  mv "$prefix.tmp" "$prefix"
  rm -rf "$work"
  SQLITE_PREFIX="$prefix"
  done_step
}

build_libarchive() {
  if have_dep libarchive; then LIBARCHIVE_PREFIX="$(dep_dir libarchive)"; return; fi
  step "libarchive (fonte do Debian, zlib do MinGW)" libarchive
  local src version prefix work
  src="$(fetch_source libarchive)"
  version="$(basename "$src" | sed 's/^libarchive-//')"
  prefix="$cache/deps/libarchive-$version"
  work="$cache/work/libarchive"
  rm -rf "$work" "$prefix.tmp"
  # ZIP with deflate and RAR reading are all rar needs; bsdtar lists archives in the tests.
  cross_cmake -S "$src" -B "$work" -DCMAKE_INSTALL_PREFIX="$prefix.tmp" \
    -DENABLE_TEST=OFF -DENABLE_CPIO=OFF -DENABLE_CAT=OFF -DENABLE_TAR=ON \
    -DENABLE_OPENSSL=OFF -DENABLE_MBEDTLS=OFF -DENABLE_NETTLE=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF \
    -DENABLE_LZ4=OFF -DENABLE_BZip2=OFF -DENABLE_LIBXML2=OFF -DENABLE_EXPAT=OFF -DENABLE_LZO=OFF \
    -DENABLE_LIBB2=OFF -DENABLE_ICONV=OFF -DENABLE_CNG=OFF -DENABLE_XATTR=OFF -DENABLE_ACL=OFF \
    -DENABLE_ZLIB=ON -DZLIB_LIBRARY=/usr/$triple/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/$triple/include
  run cmake --build "$work" -j "$jobs"
  run cmake --install "$work"
  mv "$prefix.tmp" "$prefix"
  rm -rf "$work"
  LIBARCHIVE_PREFIX="$prefix"
  done_step
}

build_googletest() {
  if have_dep googletest; then GTEST_PREFIX="$(dep_dir googletest)"; return; fi
  step "GoogleTest (fonte do Debian)" googletest
  local src version prefix work
  src="$(fetch_source googletest)"
  version="$(basename "$src" | sed 's/^googletest-//')"
  prefix="$cache/deps/googletest-$version"
  work="$cache/work/googletest"
  rm -rf "$work" "$prefix.tmp"
  cross_cmake -S "$src" -B "$work" -DCMAKE_INSTALL_PREFIX="$prefix.tmp" -DBUILD_GMOCK=OFF -DBUILD_SHARED_LIBS=OFF
  run cmake --build "$work" -j "$jobs"
  run cmake --install "$work"
  mv "$prefix.tmp" "$prefix"
  rm -rf "$work"
  GTEST_PREFIX="$prefix"
  done_step
}

build_libpq() {
  if have_dep libpq; then LIBPQ_PREFIX="$(dep_dir libpq)"; return; fi
  step "libpq (fonte postgresql-15 do Debian)" libpq
  local src version prefix work
  src="$(fetch_source postgresql-15)"
  version="$(basename "$src" | sed 's/^postgresql-15-//')"
  prefix="$cache/deps/libpq-$version"
  work="$cache/work/libpq"
  rm -rf "$work" "$prefix.tmp"
  mkdir -p "$work"
  # The client library only, without TLS, readline, ICU or compression:
  # ORVA's server connections go over the local network or a tunnel.
  (cd "$work" && run "$src/configure" --host=$triple CC=$triple-gcc-posix --prefix="$prefix.tmp" \
    --without-readline --without-zlib --without-icu --without-openssl --without-gssapi --without-ldap)
  run make -C "$work/src/include" -j "$jobs"
  run make -C "$work/src/common" -j "$jobs"
  run make -C "$work/src/port" -j "$jobs"
  run make -C "$work/src/interfaces/libpq" -j "$jobs"
  run make -C "$work/src/include" install
  run make -C "$work/src/interfaces/libpq" install
  mv "$prefix.tmp" "$prefix"
  rm -rf "$work"
  LIBPQ_PREFIX="$prefix"
  done_step
}

build_qt
build_sqlite
build_libarchive
build_googletest
build_libpq
echo "Dependências em $cache/deps"
[[ "${1:-}" == "deps" ]] && exit 0
