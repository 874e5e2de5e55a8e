#!/usr/bin/env bash
# Builds the Windows x86-64 release from this tree, cross-compiled on Debian 12
# with MinGW-w64: the dependencies from Debian's own source packages (cached),
# ORVA against them, the program folder and the installer. As root on a fresh
# machine it installs what it needs with apt.
#
#   scripts/windows.sh          build the programs and ORVA-<version>-setup.exe
#   scripts/windows.sh test     the same, then the suite and the road under Wine
#   scripts/windows.sh estrada  the same, then only the road under Wine
#
# ORVA_WINE_TESTES=<regex> with "test" runs only the tests it matches, no road.
#
# The dependency cache is ORVA_WINDOWS_CACHE (default ~/.cache/orva-windows);
# the build goes to ORVA_WINDOWS_BUILD_DIR (default build-windows/).
set -euo pipefail
shopt -s inherit_errexit
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
  : >"$step_log"
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
  x11-utils python3                            # the road: xwininfo finds the windows; a free port
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

# Unpacks Debian's source of PACKAGE[=VERSION] under $cache/src and prints its
# folder. Without a version, the newest the lists name that the mirror still
# serves (a security update may have replaced the one the lists name).
fetch_source() {
  local pkg="$1" wanted="${2:-}" version dir unpacked
  prepare_apt_sources
  local versions=("$wanted")
  if [[ -z "$wanted" ]]; then
    mapfile -t versions < <(apt_own apt-cache showsrc "$pkg" | awk '/^Version:/ {print $2}' | sort -Vr)
  fi
  for version in "${versions[@]}"; do
    [[ -n "$version" ]] || continue
    local upstream="${version#*:}"
    dir="$cache/src/$pkg-${upstream%-*}-${version##*-}"
    if [[ -f "$dir/.completo" ]]; then
      echo "$dir"
      return 0
    fi
    rm -rf "$dir" "$dir.tmp"
    mkdir -p "$dir.tmp"
    if (cd "$dir.tmp" && apt_own apt-get source -qq "$pkg=$version" >>"$step_log" 2>&1); then
      unpacked="$(find "$dir.tmp" -mindepth 1 -maxdepth 1 -type d | head -1)"
      if [[ -n "$unpacked" ]]; then
        mv "$unpacked" "$dir"
        rm -rf "$dir.tmp"
        touch "$dir/.completo"
        echo "$dir"
        return 0
      fi
    fi
    rm -rf "$dir.tmp"
    echo "Fonte $pkg=$version indisponível; tentando outra versão." >>"$step_log"
  done
  echo "Nenhuma versão da fonte $pkg pôde ser baixada do Debian." >>"$step_log"
  return 1
}

# A dependency is installed into $cache/deps/NAME-VERSION.tmp and renamed
# only when complete, so an interrupted build is never taken for a good one.
have_dep() { find "$cache/deps" -maxdepth 1 -name "$1-*" ! -name '*.tmp' | grep -q .; }
dep_dir() { find "$cache/deps" -maxdepth 1 -name "$1-*" ! -name '*.tmp' | sort -V | tail -1; }

# Builds dependency NAME once from Debian's source PKG (VERSION, or the newest
# the mirror serves) and puts its folder in the variable VAR:
#   dependency NAME PKG VAR "step" BUILDER [VERSION]
# BUILDER gets the source folder, the folder to install into and a build folder.
dependency() {
  local name="$1" pkg="$2" var="$3" text="$4" builder="$5" wanted="${6:-}" prefix="" src version work
  if [[ -n "$wanted" ]]; then
    [[ -d "$cache/deps/$name-$wanted" ]] && prefix="$cache/deps/$name-$wanted"
  elif have_dep "$name"; then
    prefix="$(dep_dir "$name")"
  fi
  if [[ -z "$prefix" ]]; then
    step "$text" "$name"
    src="$(fetch_source "$pkg" "$wanted")"
    version="${wanted:-$(basename "$src" | sed "s/^$pkg-//")}"
    prefix="$cache/deps/$name-$version"
    work="$cache/work/$name"
    rm -rf "$work" "$prefix.tmp"
    mkdir -p "$work"
    "$builder" "$src" "$prefix.tmp" "$work"
    mv "$prefix.tmp" "$prefix"
    rm -rf "$work"
    done_step
  fi
  printf -v "$var" '%s' "$prefix"
}

# SOURCE INSTALL WORK [OPTIONS...]: a CMake project cross-built and installed.
cmake_build() {
  local src="$1" install="$2" work="$3"
  shift 3
  run cmake -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -S "$src" -B "$work" -DCMAKE_INSTALL_PREFIX="$install" "$@"
  run cmake --build "$work" -j "$jobs"
  run cmake --install "$work"
}

# Only what ORVA loads, with Qt's bundled third-party libraries. OpenGL stays:
# the Windows platform plugin of 6.4.2 does not compile without it. Debian's
# source has no wintab, hence no tablet events.
build_qt() {
  cmake_build "$@" -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DBUILD_SHARED_LIBS=ON -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_concurrent=OFF \
    -DFEATURE_xml=OFF -DFEATURE_vulkan=OFF -DFEATURE_tabletevent=OFF -DFEATURE_zstd=OFF \
    -DFEATURE_direct2d=OFF -DFEATURE_linuxfb=OFF \
    -DFEATURE_sql_sqlite=OFF -DFEATURE_openssl=OFF -DFEATURE_icu=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF \
    -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF \
    -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_libb2=OFF -DFEATURE_system_md4c=OFF
}

# The amalgamation as one DLL, with the options Debian's own library is built
# with (debian/rules), so both systems' engines behave alike.
build_sqlite() {
  local src="$1" install="$2" work="$3"
  mkdir -p "$install/include" "$install/lib" "$install/bin"
  (cd "$work" && run "$src/configure" --disable-tcl && run make sqlite3.c)
  local flags=(-O2 -fno-strict-aliasing -DSQLITE_SECURE_DELETE -DSQLITE_ENABLE_COLUMN_METADATA
    -DSQLITE_ENABLE_FTS3 -DSQLITE_ENABLE_FTS3_PARENTHESIS -DSQLITE_ENABLE_RTREE=1 -DSQLITE_SOUNDEX=1
    -DSQLITE_ENABLE_UNLOCK_NOTIFY -DSQLITE_OMIT_LOOKASIDE=1 -DSQLITE_ENABLE_DBSTAT_VTAB
    -DSQLITE_ALLOW_ROWID_IN_VIEW -DSQLITE_ENABLE_UPDATE_DELETE_LIMIT=1 -DSQLITE_ENABLE_LOAD_EXTENSION
    -DSQLITE_ENABLE_JSON1 -DSQLITE_LIKE_DOESNT_MATCH_BLOBS -DSQLITE_THREADSAFE=1
    -DSQLITE_ENABLE_FTS3_TOKENIZER=1 -DSQLITE_USE_URI=1 -DSQLITE_MAX_SCHEMA_RETRY=25
    -DSQLITE_ENABLE_PREUPDATE_HOOK -DSQLITE_ENABLE_SESSION -DSQLITE_ENABLE_STMTVTAB
    -DSQLITE_MAX_VARIABLE_NUMBER=250000 -DSQLITE_API='__declspec(dllexport)')
  run $triple-gcc-posix "${flags[@]}" -shared -o "$install/bin/sqlite3.dll" "$work/sqlite3.c" \
    -Wl,--out-implib,"$install/lib/libsqlite3.dll.a"
  cp "$work/sqlite3.h" "$work/sqlite3ext.h" "$install/include/" 2>/dev/null || cp "$work/sqlite3.h" "$install/include/"
}

# ZIP with deflate and RAR reading are all rar needs; bsdtar lists archives in the tests.
build_libarchive() {
  cmake_build "$@" \
    -DENABLE_TEST=OFF -DENABLE_CPIO=OFF -DENABLE_CAT=OFF -DENABLE_TAR=ON \
    -DENABLE_OPENSSL=OFF -DENABLE_MBEDTLS=OFF -DENABLE_NETTLE=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF \
    -DENABLE_LZ4=OFF -DENABLE_BZip2=OFF -DENABLE_LIBXML2=OFF -DENABLE_EXPAT=OFF -DENABLE_LZO=OFF \
    -DENABLE_LIBB2=OFF -DENABLE_ICONV=OFF -DENABLE_CNG=OFF -DENABLE_XATTR=OFF -DENABLE_ACL=OFF \
    -DENABLE_ZLIB=ON -DZLIB_LIBRARY=/usr/$triple/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/$triple/include \
    -DZLIB_WINAPI=OFF -DZLIB_WINAPI_WITH_LIB=/usr/$triple/lib/libz.a  # a run test, which CMake cannot cross
}

build_googletest() { cmake_build "$@" -DBUILD_GMOCK=OFF -DBUILD_SHARED_LIBS=OFF; }

# The client library only, without TLS, readline, ICU or compression: ORVA's
# server connections go over the local network or a tunnel.
build_libpq() {
  local src="$1" install="$2" work="$3"
  (cd "$work" && run "$src/configure" --host=$triple CC=$triple-gcc-posix --prefix="$install" \
    --without-readline --without-zlib --without-icu --without-openssl --without-gssapi --without-ldap)
  local part
  for part in include common port interfaces/libpq; do run make -C "$work/src/$part" -j "$jobs"; done
  run make -C "$work/src/include" install
  run make -C "$work/src/interfaces/libpq" install
}

dependency qt6-base qt6-base QT_PREFIX "Qt 6 base (fonte do Debian; o passo mais longo)" build_qt \
  "$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)"   # the version of the host tools
dependency sqlite3 sqlite3 SQLITE_PREFIX "SQLite (amálgama da fonte do Debian)" build_sqlite
dependency libarchive libarchive LIBARCHIVE_PREFIX "libarchive (fonte do Debian, zlib do MinGW)" build_libarchive
dependency googletest googletest GTEST_PREFIX "GoogleTest (fonte do Debian)" build_googletest
dependency libpq postgresql-15 LIBPQ_PREFIX "libpq (fonte postgresql-15 do Debian)" build_libpq
echo "Dependências em $cache/deps"
[[ "${1:-}" == "deps" ]] && exit 0

# Qt's Brazilian texts ("Sim" / "Não") where the cross-built Qt looks for them.
mkdir -p "$QT_PREFIX/translations"
cp -u /usr/share/qt6/translations/qtbase_pt_BR.qm "$QT_PREFIX/translations/"

mingw_runtime=(/usr/lib/gcc/$triple/12-posix /usr/$triple/lib)
dll_dirs=("$QT_PREFIX/bin" "$SQLITE_PREFIX/bin" "$LIBARCHIVE_PREFIX/bin" "$LIBPQ_PREFIX/bin" "$LIBPQ_PREFIX/lib" "${mingw_runtime[@]}")

step "ORVA para Windows" orva
if [[ ! -f "$build/build.ninja" ]]; then
  run cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_PREFIX_PATH="$QT_PREFIX;$SQLITE_PREFIX;$LIBARCHIVE_PREFIX;$GTEST_PREFIX;$LIBPQ_PREFIX" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DORVA_WINDOWS_DLL_DIRS="$(IFS=';'; echo "${dll_dirs[*]}")" -DORVA_LINUX_BUILD_DIR="${ORVA_BUILD_DIR:-$root/build}"
fi
export ORVA_WINEPREFIX="$build/wineprefix"
prepare_wine() {
  if [[ ! -f "$ORVA_WINEPREFIX/.pronto" ]]; then
    rm -rf "$ORVA_WINEPREFIX"
    WINEPREFIX="$ORVA_WINEPREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" run /usr/lib/wine/wine64 wineboot -i
    # The tests' temporary folders on drive Z: (/tmp/orva-wine), where the
    # Linux tools they start (pdftotext, the receiving server) find them.
    for var in TEMP TMP; do
      WINEPREFIX="$ORVA_WINEPREFIX" WINEDEBUG=-all run /usr/lib/wine/wine64 reg add 'HKCU\Environment' /v "$var" \
        /t REG_SZ /d 'Z:\tmp\orva-wine' /f
    done
    WINEPREFIX="$ORVA_WINEPREFIX" run /usr/lib/wine/wineserver -w
    touch "$ORVA_WINEPREFIX/.pronto"
  fi
}
prepare_wine   # the build runs orva-icone under Wine for the icon
mkdir -p /tmp/orva-wine
run cmake --build "$build" -j "$jobs"
# A form (.ui) changed since the last build can leave its window's object stale
# for one pass: its header is regenerated after Ninja judged the object. A
# second pass, a no-op otherwise, rebuilds it.
run cmake --build "$build" -j "$jobs"
done_step

# The program folder as the installer lays it out: the programs, the DLLs
# and Qt plugins they load, Qt's Brazilian texts. The client sits in
# ClienteOrvaDATP with its own copy of the DLLs (Windows looks for a
# program's DLLs beside it, not in its parent).
step "Pasta dos programas" pasta
stage="$build/pasta"
rm -rf "$stage"
mkdir -p "$stage/ClienteOrvaDATP" "$stage/translations"
cp "$build/dist/Orva.exe" "$build/dist/orva-cli.exe" "$build/dist/rar.exe" "$stage/"
cp "$build/dist/ClienteOrvaDATP/ClienteORVA.exe" "$stage/ClienteOrvaDATP/"
for plugin in platforms/qwindows.dll styles/qwindowsvistastyle.dll; do
  mkdir -p "$stage/plugins/$(dirname "$plugin")"
  cp "$QT_PREFIX/plugins/$plugin" "$stage/plugins/$plugin"
done
cp "$QT_PREFIX/translations/qtbase_pt_BR.qm" "$stage/translations/"
printf '[Paths]\r\nPrefix=.\r\n' >"$stage/qt.conf"
printf '[Paths]\r\nPrefix=..\r\n' >"$stage/ClienteOrvaDATP/qt.conf"
# Every DLL a program or plugin names that is not Windows' own, and theirs.
dlls_of() { $triple-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p'; }
find_dll() {
  local d
  for d in "${dll_dirs[@]}"; do
    # Windows names DLLs without regard to case (LIBPQ.dll is libpq.dll).
    local f
    f="$(find "$d" -maxdepth 1 -type f -iname "$1" -print -quit 2>/dev/null)"
    if [[ -n "$f" ]]; then echo "$f"; return 0; fi
  done
  return 0
}
copy_dlls() {
  local dest="$1"; shift
  local pending=("$@") seen=" " file dll found
  while ((${#pending[@]})); do
    file="${pending[0]}"; pending=("${pending[@]:1}")
    for dll in $(dlls_of "$file"); do
      [[ "$seen" == *" ${dll,,} "* ]] && continue
      seen+="${dll,,} "
      found="$(find_dll "$dll")"
      [[ -n "$found" ]] || continue   # a system DLL
      cp "$found" "$dest/"
      pending+=("$found")
    done
  done
}
copy_dlls "$stage" "$stage"/*.exe $(find "$stage/plugins" -name '*.dll')
copy_dlls "$stage/ClienteOrvaDATP" "$stage/ClienteOrvaDATP/ClienteORVA.exe" $(find "$stage/plugins" -name '*.dll')
done_step

# The installer, from exactly the staged files.
step "Instalador (NSIS)" instalador
version="$(sed -n 's/^project(ORVA VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
lista="$build/arquivos.nsh"
winpath() { local p="${1#./}"; echo "${p//\//\\}"; }
{
  echo '!macro ORVA_ARQUIVOS_INSTALA'
  while read -r f; do
    pasta="$(dirname "$f")"
    if [[ "$pasta" == . ]]; then echo '  SetOutPath "$INSTDIR"'; else echo "  SetOutPath \"\$INSTDIR\\$(winpath "$pasta")\""; fi
    echo "  File \"$stage/${f#./}\""
  done < <(cd "$stage" && find . -type f | sort)
  echo '  SetOutPath "$INSTDIR"'
  echo '!macroend'
  echo '!macro ORVA_ARQUIVOS_REMOVE'
  while read -r f; do echo "  Delete \"\$INSTDIR\\$(winpath "$f")\""; done < <(cd "$stage" && find . -type f | sort)
  echo '!macroend'
  echo '!macro ORVA_PASTAS_REMOVE'
  while read -r d; do echo "  RMDir \"\$INSTDIR\\$(winpath "$d")\""; done < <(cd "$stage" && find . -mindepth 1 -type d | sort -r)
  echo '!macroend'
} >"$lista"
setup="$build/ORVA-$version-setup.exe"
tamanho="$(du -sk "$stage" | cut -f1)"
run makensis -V2 -DVERSION="$version" -DSAIDA="$setup" -DICONE="$build/packaging/windows/orva.ico" \
  -DLISTA="$lista" -DTAMANHO_KB="$tamanho" "$root/packaging/windows/orva.nsi"
done_step
echo "Instalador: $setup"
[[ "${1:-}" == "test" || "${1:-}" == "estrada" ]] || exit 0

# ---------------------------------------------------------------------------
# Under Wine: the suite (cross-built), then the road with the installed
# programs only. Both need the Linux build: its receiving server (a Linux
# service, which Wine starts as it starts Windows programs) and its orva-cli
# for the declaration to compare with.
linux_build="${ORVA_BUILD_DIR:-$root/build}"
if [[ ! -x "$linux_build/dist/orva-datp-server" || ! -x "$linux_build/tools/orva-tela" ]]; then
  step "Compilação para Linux (servidor de recepção, orva-cli de comparação)" linux
  run "$root/scripts/setup.sh"
  ORVA_BUILD_DIR="$linux_build" run "$root/scripts/build.sh"
  done_step
fi

pids=()
prefixos=()
cleanup() {
  local p
  for p in "${prefixos[@]}"; do WINEPREFIX="$p" /usr/lib/wine/wineserver -k 2>/dev/null || true; done
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  if [[ -n "${pg:-}" ]]; then "$root/scripts/pg-cluster.sh" stop "$pg" >/dev/null 2>&1 || true; rm -rf "$pg"; fi
}
trap 'rc=$?; cleanup; if ((rc)) && [[ -n "$step_name" ]]; then echo "Falhou o passo \"$step_name\" (saída $rc); veja $step_log" >&2; fi' EXIT

# A display for Wine's windows when there is none.
if [[ -z "${DISPLAY:-}" ]]; then
  display=90
  while [[ -e /tmp/.X11-unix/X$display || -e /tmp/.X$display-lock ]]; do display=$((display + 1)); done
  Xvfb ":$display" -ac -nolisten tcp -screen 0 1280x1024x24 >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [[ -e /tmp/.X11-unix/X$display ]] && break; sleep 0.1; done
  export DISPLAY=":$display"
fi
export LANG=pt_BR.UTF-8 LC_ALL=pt_BR.UTF-8
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

if [[ "${1:-}" == "test" ]]; then
  step "Testes sob o Wine" testes-wine
  # The PostgreSQL engine's tests reach a throwaway cluster over TCP.
  pg="$(mktemp -d /tmp/orva-pg-win.XXXXXX)"
  if ORVA_TEST_PG="$("$root/scripts/pg-cluster.sh" start "$pg" "$(free_port)")"; then
    export ORVA_TEST_PG
  else
    rm -rf "$pg"; pg=""
    [[ -z "${CI:-}" ]] || { echo "O cluster PostgreSQL dos testes não iniciou." >&2; exit 1; }
  fi
  prefixos+=("$ORVA_WINEPREFIX")
  WINEPREFIX="$ORVA_WINEPREFIX" /usr/lib/wine/wineserver -p   # one server for every test program
  # Wine's own services start with the first program and stay: started here,
  # away from ctest's pipes, which would otherwise wait for them to end.
  WINEPREFIX="$ORVA_WINEPREFIX" WINEDEBUG=-all /usr/lib/wine/wine64 cmd /c echo >/dev/null 2>&1 </dev/null
  cd "$build"
  # Tests left out under Wine, each with its reason (printed below).
  fora=(
    'ServidoresPostgres\.|ServidorPostgres\.|ClientesHostis\.|Guardas/Servidor\.|VersaoDoArmazem\.|the receiving server is a Linux service: its own tests run in the Linux suite'
    'Estrutura\.OrvaCliLoadsNoWidgetsNorGraphics|ldd is a Linux tool (the installer check runs each installed program instead)'
  )
  excluir=""
  for f in "${fora[@]}"; do excluir+="${excluir:+|}${f%|*}"; echo "   fora do Wine: ${f%|*}: ${f##*|}"; done
  set +e
  QT_QPA_PLATFORM=offscreen ctest -j "$jobs" --timeout 300 --output-on-failure -E "$excluir" \
    ${ORVA_WINE_TESTES:+-R "$ORVA_WINE_TESTES"} >"$step_log" 2>&1
  ctest_rc=$?
  set -e
  total="$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\2/p' "$step_log")"
  falhas="$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of.*/\1/p' "$step_log")"
  pulados="$(grep -c '(Skipped)' "$step_log" || true)"
  # Why each skipped test did not run, as it said.
  grep -h -A1 ': Skipped$' Testing/Temporary/LastTest.log 2>/dev/null | grep -v -e ': Skipped$' -e '^--$' |
    sort | uniq -c | sed 's/^/   pulado: /' || true
  grep -A200 'The following tests FAILED' "$step_log" || true
  echo "Windows (Wine): ${total:-?} testes, ${falhas:-?} falhas, $pulados pulados, ${#fora[@]} grupos fora (acima)"
  ((ctest_rc == 0)) || exit 1
  cd "$root"
  done_step
  [[ -z "${ORVA_WINE_TESTES:-}" ]] || exit 0
fi

# The road with the installed programs only: a clean prefix (no DLL path of
# the build), the installer run silently, then orva-cli.exe from the Start
# menu's folder, a delivery to the Linux receiving server, the windows.
step "Estrada com os programas instalados" estrada-wine
estrada="$build/estrada"
rm -rf "$estrada"
mkdir -p "$estrada/screens"
wp="$estrada/wineprefix"
prefixos+=("$wp")
win() { WINEPREFIX="$wp" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" /usr/lib/wine/wine64 "$@"; }
fail() { echo "$*" >&2; exit 1; }
run win wineboot -i
win "$setup" /S >>"$step_log" 2>&1 || fail "o instalador terminou com erro"
WINEPREFIX="$wp" /usr/lib/wine/wineserver -w
usuario="$wp/drive_c/users/$(id -un)"
instalado="$usuario/AppData/Local/Programs/ORVA"
dados="$usuario/AppData/Local/ORVA"
for f in Orva.exe orva-cli.exe rar.exe ClienteOrvaDATP/ClienteORVA.exe Desinstalar.exe ORVA-instalado.txt; do
  [[ -f "$instalado/$f" ]] || fail "a instalação não deixou $f"
done
menu="$usuario/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
[[ -f "$menu/ORVA.lnk" && -f "$menu/Cliente ORVA.lnk" ]] || fail "sem os atalhos do menu Iniciar"
run win reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\ORVA' /v UninstallString
cli_win() { win "$instalado/orva-cli.exe" "$@"; }
cli_linux() { "$linux_build/dist/orva-cli" --dir "$estrada/linux" "$@"; }

# The same rows on both systems, for the declaration to compare.
mkdir -p "$estrada/linux"
cp "$linux_build/dist/rar" "$estrada/linux/" 2>/dev/null || true
for sistema in win linux; do
  c="cli_$sistema"
  run $c init
  run $c company save --inscricao 124 --cnpj 12345678000195 --razao-social "Caça e Pesca São João" \
    --cnae 0111301 --tipo-declaracao 1 --municipio 110001
  run $c protocol new --inscricao 124 --tipo-entrega 1 --responsavel "José Conceição" --crc 0
  run $c apportionment save --protocolo 1 --municipio 110002 --valor-entrada 1.234,56 --valor-saida 100,00
  run $c apportionment save --protocolo 1 --municipio 110003 --valor-entrada 10,00 --valor-saida 0,50
  run $c export --protocolo 1
done
[[ -f "$dados/orva.mdb" ]] || fail "orva-cli.exe init não preparou a pasta do usuário $dados"
exp_win="$(ls "$dados"/dados/*.exp 2>/dev/null | head -1)"
exp_linux="$(ls "$estrada/linux"/dados/*.exp 2>/dev/null | head -1)"
[[ -n "$exp_win" && -n "$exp_linux" ]] || fail "a exportação não escreveu a declaração"
cmp "$exp_win" "$exp_linux" || fail "a declaração do Windows difere da do Linux"
arquivo="$(ls "$dados"/enviar/*.rar | head -1)"
echo "   declaração idêntica à do Linux: $(basename "$exp_win") ($(stat -c %s "$exp_win") bytes)"

# A program folder whose path has blanks and accents, as a user's often has.
portatil='C:\users\José Conceição\ORVA portátil'
cli_portatil() { cli_win --dir "$portatil" "$@"; }
run cli_portatil init
run cli_portatil company save --inscricao 124 --cnpj 12345678000195 --razao-social "Caça e Pesca São João" \
  --cnae 0111301 --tipo-declaracao 1 --municipio 110001
run cli_portatil protocol new --inscricao 124 --tipo-entrega 1 --responsavel "José Conceição" --crc 0
run cli_portatil apportionment save --protocolo 1 --municipio 110002 --valor-entrada 1.234,56 --valor-saida 100,00
run cli_portatil apportionment save --protocolo 1 --municipio 110003 --valor-entrada 10,00 --valor-saida 0,50
run cli_portatil export --protocolo 1
cmp "$wp/drive_c/users/José Conceição/ORVA portátil/dados/$(basename "$exp_linux")" "$exp_linux" ||
  fail "a declaração exportada em 'C:\users\José Conceição\ORVA portátil' difere"
[[ -f "$wp/drive_c/users/José Conceição/ORVA portátil/enviar/$(basename "$arquivo")" ]] ||
  fail "sem o arquivo compactado na pasta com acentos"

# The windows: Orva's main window and the client listing the declaration.
shown() {
  for _ in $(seq 120); do
    xwininfo -root -tree 2>/dev/null | grep -qF "\"$1" && return 0
    sleep 0.5
  done
  return 1
}
(unset QT_QPA_PLATFORM; exec env WINEPREFIX="$wp" WINEDEBUG=-all /usr/lib/wine/wine64 "$instalado/Orva.exe") >>"$step_log" 2>&1 &
orva_pid=$!
pids+=($orva_pid)
shown 'ORVA - Tessaria."' || fail "Orva.exe não mostrou a janela principal"
sleep 2
run "$linux_build/tools/orva-tela" "$estrada/screens/orva-windows.png"
kill "$orva_pid" 2>/dev/null || true
(unset QT_QPA_PLATFORM; exec env WINEPREFIX="$wp" WINEDEBUG=-all /usr/lib/wine/wine64 \
  "$instalado/ClienteOrvaDATP/ClienteORVA.exe" 'C:\users\'"$(id -un)"'\AppData\Local\ORVA\enviar\') >>"$step_log" 2>&1 &
cliente_pid=$!
pids+=($cliente_pid)
shown 'Módulo de Entrega de Declaração/ORVA' || fail "ClienteORVA.exe não mostrou a janela principal"
sleep 2
run "$linux_build/tools/orva-tela" "$estrada/screens/cliente-windows.png"
kill "$cliente_pid" 2>/dev/null || true

# Installed, Orva.exe whose user folder lost its database prepares a new one
# (as on a first start) and opens; the user's old file is put back after.
mv "$dados/orva.mdb" "$dados/orva.mdb.guardado"
(unset QT_QPA_PLATFORM; exec env WINEPREFIX="$wp" WINEDEBUG=-all /usr/lib/wine/wine64 "$instalado/Orva.exe") >>"$step_log" 2>&1 &
orva_pid=$!
pids+=($orva_pid)
shown 'ORVA - Tessaria."' || fail "Orva.exe sem o banco de dados não abriu"
[[ -f "$dados/orva.mdb" ]] || fail "Orva.exe sem o banco de dados não preparou um novo"
sleep 1
run "$linux_build/tools/orva-tela" "$estrada/screens/orva-windows-banco-novo.png"
kill "$orva_pid" 2>/dev/null || true
WINEPREFIX="$wp" /usr/lib/wine/wineserver -k 2>/dev/null || true
mv -f "$dados/orva.mdb.guardado" "$dados/orva.mdb"
# Without the database or without rar.exe, orva-cli.exe ends with a message in
# Portuguese that names what is missing.
sem() {  # what is missing, the text the message must hold, the command
  local falta="$1" texto="$2"
  shift 2
  if "$@" >"$estrada/sem.out" 2>&1; then fail "orva-cli.exe sem $falta terminou com sucesso"; fi
  grep -qF "$texto" "$estrada/sem.out" || { cat "$estrada/sem.out"; fail "orva-cli.exe sem $falta não disse o que falta"; }
  echo "   sem $falta: $(grep -F "$texto" "$estrada/sem.out" | head -1)"
}
sem "banco de dados" "orva.mdb" cli_win --dir 'C:\users\Public\ORVA sem banco' company list
mv "$instalado/rar.exe" "$instalado/rar.exe.guardado"
run cli_portatil protocol new --inscricao 124 --tipo-entrega 1 --responsavel "José Conceição" --crc 0
run cli_portatil apportionment save --protocolo 2 --municipio 110002 --valor-entrada 1,00 --valor-saida 1,00
sem "rar.exe" "rar" cli_portatil export --protocolo 2
mv "$instalado/rar.exe.guardado" "$instalado/rar.exe"

# Delivery to the Linux receiving server and the receipt fetched again.
mkdir -p "$estrada/servidor"
"$linux_build/dist/orva-datp-server" --port 0 --data "$estrada/servidor" >"$estrada/servidor.out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do grep -q escutando "$estrada/servidor.out" && break; sleep 0.1; done
porta="$(sed -n 's/.*127\.0\.0\.1:\([0-9]*\),.*/\1/p' "$estrada/servidor.out")"
[[ -n "$porta" ]] || fail "o servidor de recepção não iniciou"
run cli_win deliver "C:\\users\\$(id -un)\\AppData\\Local\\ORVA\\enviar\\$(basename "$arquivo")" --port "$porta"
recibo="$dados/ClienteOrvaDATP/recv/0000000000012420150001.cmp"
[[ -f "$recibo" ]] || fail "a entrega não deixou o comprovante $recibo"
rm "$recibo"
run cli_win receipt --inscricao 124 --exercicio 2015 --protocolo 1 --port "$porta"
[[ -f "$recibo" ]] || fail "o comprovante não foi buscado de novo"

# A database and a backup cross between the systems.
run cli_linux backup
cp "$estrada/linux/Backup/bkpOrva.rar" "$dados/Backup/bkpOrva.rar"
run cli_win restore
cli_win company list | grep -q "CAÇA E PESCA SÃO JOÃO" || fail "o banco do Linux não abriu no Windows"
run cli_win backup
cp "$dados/Backup/bkpOrva.rar" "$estrada/linux/Backup/bkpOrva.rar"
run cli_linux restore
cli_linux company list | grep -q "CAÇA E PESCA SÃO JOÃO" || fail "o banco do Windows não abriu no Linux"

# With a short date other than DD/MM/YYYY (an American Windows), Orva.exe
# says how to set it and opens no other window.
(unset QT_QPA_PLATFORM; exec env LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8 WINEPREFIX="$wp" WINEDEBUG=-all \
  /usr/lib/wine/wine64 "$instalado/Orva.exe") >>"$step_log" 2>&1 &
orva_pid=$!
pids+=($orva_pid)
shown 'ORVA 2016 - Tessaria"' || fail "Orva.exe com outro formato de data não mostrou mensagem"
sleep 1
run "$linux_build/tools/orva-tela" "$estrada/screens/orva-windows-formato-data.png"
! xwininfo -root -tree 2>/dev/null | grep -qF '"ORVA - Tessaria."' || fail "Orva.exe abriu a janela principal com outro formato de data"
kill "$orva_pid" 2>/dev/null || true
WINEPREFIX="$wp" /usr/lib/wine/wineserver -k 2>/dev/null || true

# The uninstaller removes the programs and keeps the user's data.
win "$instalado/Desinstalar.exe" /S >>"$step_log" 2>&1 || fail "o desinstalador terminou com erro"
WINEPREFIX="$wp" /usr/lib/wine/wineserver -w
for _ in $(seq 40); do [[ -e "$instalado/Orva.exe" ]] || break; sleep 0.5; done
[[ ! -e "$instalado/Orva.exe" && ! -e "$menu/ORVA.lnk" ]] || fail "a desinstalação deixou os programas"
[[ -f "$dados/orva.mdb" ]] || fail "a desinstalação apagou os dados do usuário"
done_step
echo "Estrada no Windows (Wine) completa; imagens em $estrada/screens"
