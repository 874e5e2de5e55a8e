#!/usr/bin/env bash
# Builds the packages and tries them as an administrator and a user would:
# lintian reports no errors, the desktop entries and the metainfo validate,
# apt installs both packages, every program tells its version, orva-cli
# prepares the per-user folder of a throwaway user and exports, delivers and
# fetches a receipt from there, Orva opens its main window under Xvfb for
# another fresh user, and the packages are removed again. Runs as root (CI).
# An ORVA already installed here is left as it is: then only the files are
# checked.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${ORVA_BUILD_DIR:-$root/build}"
version="$(sed -n 's/^project(ORVA VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"

"$root/scripts/package.sh"
debs=("$build"/packages/*.deb)

echo "== lintian"
lintian --fail-on error "${debs[@]}"

echo "== desktop entries and metainfo"
work="$(mktemp -d /tmp/orva-pacotes.XXXXXX)"
chmod 755 "$work"
dpkg-deb -x "$build"/packages/orva_*.deb "$work/conteudo"
desktop-file-validate "$work"/conteudo/usr/share/applications/*.desktop
# The metainfo against its desktop entries and icons; the screenshots' web
# addresses are not fetched.
appstreamcli validate-tree --no-net "$work/conteudo"

# An ORVA installed on this machine (or the server's data left by one) is
# somebody's: installing over it and purging it at the end would replace the
# programs and delete the receipts. Then only the package files are checked.
instalado=""
for pacote in orva orva-datp-server; do
  estado="$(dpkg-query -W -f '${db:Status-Status}' "$pacote" 2>/dev/null || true)"
  [[ -n "$estado" && "$estado" != not-installed ]] && instalado+=" $pacote"
done
[[ -e /var/lib/orva-datp-server ]] && instalado+=" /var/lib/orva-datp-server"
if [[ -n "$instalado" ]]; then
  rm -rf "$work"
  echo "Pacotes conferidos sem instalar:$instalado já presente(s) nesta máquina, que o teste não altera."
  exit 0
fi

user="orvateste$$"
server_user_existed="$(getent passwd orva-datp >/dev/null && echo 1 || true)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  dpkg --purge orva orva-datp-server >/dev/null 2>&1 || true
  if [[ -z "$server_user_existed" ]] && getent passwd orva-datp >/dev/null; then
    userdel orva-datp 2>/dev/null || true
  fi
  userdel "$user" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FALHA: $*" >&2; exit 1; }

echo "== install"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${debs[@]}" >/dev/null

for program in orva clienteorva orva-cli orva-rar orva-datp-server; do
  out="$("$program" --version)"
  [[ "$out" == *" $version" ]] || fail "$program --version: $out"
done
getent passwd orva-datp >/dev/null || fail "no system user orva-datp"
[[ "$(stat -c %U /var/lib/orva-datp-server)" == orva-datp ]] || fail "/var/lib/orva-datp-server not owned by orva-datp"
! ls /etc/systemd/system/*.wants/orva-datp-server.service 2>/dev/null || fail "the server's unit is enabled"

# An ordinary user, a fresh HOME and a locale that is not Brazilian.
install -d -m 1777 "$work/tmp"
useradd --no-create-home --home-dir "$work/casa" --shell /bin/sh "$user"
# HOME COMMAND...: becomes COMMAND run as that user (so a background job's
# PID is the program's own); as_user runs it in a subshell.
exec_as_user() {
  local home="$1"
  shift
  exec setpriv --reuid="$user" --regid="$user" --init-groups \
    env -i HOME="$home" TMPDIR="$work/tmp" PATH=/usr/bin:/bin LANG=C.UTF-8 ${DISPLAY:+DISPLAY=$DISPLAY} "$@"
}
as_user() { (exec_as_user "$@"); }

echo "== orva-cli init in a fresh HOME"
install -d -o "$user" "$work/casa"
pasta="$work/casa/.local/share/orva"
out="$(as_user "$work/casa" orva-cli init)"
[[ "$out" == "$pasta/orva.mdb" ]] || fail "orva-cli init: $out"
for d in dados enviar Backup ClienteOrvaDATP/recv; do
  [[ -d "$pasta/$d" ]] || fail "no $d in the per-user folder"
done
[[ "$(readlink "$pasta/rar")" == /usr/lib/orva/rar ]] || fail "no archiver in the per-user folder"
[[ "$(readlink -f "$pasta/ClienteOrvaDATP/ClienteORVA")" == /usr/lib/orva/ClienteOrvaDATP/ClienteORVA ]] ||
  fail "no delivery client in the per-user folder"

out="$(as_user "$work/casa" orva-cli --dir "$work/casa/outra" init)"
[[ "$out" == "$work/casa/outra/orva.mdb" && -L "$work/casa/outra/rar" ]] || fail "orva-cli --dir init: $out"

echo "== export, delivery and receipt from the per-user folder"
as_user "$work/casa" sqlite3 "$pasta/orva.mdb" <<'SQL'
Insert into Empresa Values ('00000000000001', 'CAÇA E PESCA LTDA', '12345678000195', '4711302', '0', '110001');
Insert into Protocolo (Protocolo, Tipo_Protocolo, Tipo_Entrega, Exercicio, Inscricao, DtGeracao, Crc, Responsavel,
  Razao, Cnpj, Municipio) Values (7, 0, '1', '2015', '00000000000001', '2015-03-05', '0', 'JOSÉ', 'CAÇA E PESCA LTDA',
  '12345678000195', '110001');
Insert into Notas Values ('00000000000001', '2015', '110002', '0000000123', '2015-02-10', 'NP', 10.0, 1,
  '0000000000', '1900-01-01', 0, '00000000000000', '', 0, '', 7, 'I');
SQL
as_user "$work/casa" orva-cli export --protocolo 7 >/dev/null
arquivo="$pasta/enviar/Orva000700000000000001.rar"
[[ -f "$arquivo" ]] || fail "export left no $arquivo"
install -d -o "$user" "$work/servidor"
(exec_as_user "$work/casa" orva-datp-server --port 0 --data "$work/servidor" >"$work/servidor.out") &
pids+=($!)
for _ in $(seq 50); do grep -q escutando "$work/servidor.out" && break; sleep 0.1; done
porta="$(sed -n 's/.*127\.0\.0\.1:\([0-9]*\),.*/\1/p' "$work/servidor.out")"
[[ -n "$porta" ]] || fail "the server did not start"
as_user "$work/casa" orva-cli deliver "$arquivo" --port "$porta" >/dev/null
recibo="$pasta/ClienteOrvaDATP/recv/0000000000000120150007.cmp"
[[ -f "$recibo" ]] || fail "no receipt in the per-user folder"
rm "$recibo"
as_user "$work/casa" orva-cli receipt --inscricao 00000000000001 --exercicio 2015 --protocolo 7 --port "$porta" >/dev/null
[[ -f "$recibo" ]] || fail "the receipt was not fetched again"
kill "${pids[0]}"

echo "== Orva's and the client's main windows for other fresh users"
install -d -o "$user" "$work/casa3"
install -d -o "$user" "$work/casa2"
display=99
while [[ -e /tmp/.X11-unix/X$display || -e /tmp/.X$display-lock ]]; do display=$((display + 1)); done
Xvfb ":$display" -ac -nolisten tcp -screen 0 1280x1024x24 >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do [[ -e /tmp/.X11-unix/X$display ]] && break; sleep 0.1; done
export DISPLAY=":$display"
(exec_as_user "$work/casa2" orva 2>"$work/orva.err") &
pids+=($!)
(exec_as_user "$work/casa3" clienteorva 2>"$work/cliente.err") &
pids+=($!)
window_shown() {
  for _ in $(seq 60); do
    xwininfo -root -tree | grep -qF "\"$1" && return 0
    sleep 0.5
  done
  return 1
}
window_shown 'ORVA - Tessaria."' || { cat "$work/orva.err" >&2; fail "Orva showed no main window"; }
window_shown 'Módulo de Entrega de Declaração/ORVA' || { cat "$work/cliente.err" >&2; fail "the client showed no main window"; }
kill "${pids[-1]}" "${pids[-2]}"
sleep 0.5
kill "${pids[-3]}"
unset DISPLAY
[[ -f "$work/casa3/.local/share/orva/ClienteOrvaDATP/ClienteORVA.INI" && -L "$work/casa3/.local/share/orva/rar" ]] ||
  fail "the client did not use the per-user folder"
[[ -f "$work/casa2/.local/share/orva/orva.mdb" ]] || fail "Orva did not prepare the per-user folder"

echo "== remove"
dpkg --purge orva orva-datp-server >/dev/null
[[ ! -e /usr/lib/orva && ! -e /usr/bin/orva-cli && ! -e /usr/bin/orva-datp-server ]] || fail "files left after removal"
echo "Pacotes conferidos: ${debs[*]##*/}"
