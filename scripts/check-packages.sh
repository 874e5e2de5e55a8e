#!/usr/bin/env bash
# Builds the packages and tries them as an administrator and a user would:
# lintian reports no errors and no missing hardening, hardening-check finds
# every program hardened, each has its debug symbols in a -dbgsym package, packing again gives
# the same bytes, the desktop entries and the metainfo validate, the server's
# unit is confined; apt installs both packages, every program tells its
# version, orva-cli prepares the per-user folder of a throwaway user and
# exports, delivers and fetches a receipt from there, Orva and the client open
# their windows under Xvfb for other fresh users (window class as the menu
# entries say, the client on a given archive or on the user's "enviar"), the
# server's enable state survives an upgrade and leaves with a purge, and the
# packages are removed again. Runs as root (CI). An ORVA already installed
# here is left as it is: then only the files are checked.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${ORVA_BUILD_DIR:-$root/build}"
version="$(sed -n 's/^project(ORVA VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
fail() { echo "FALHA: $*" >&2; exit 1; }

"$root/scripts/package.sh"
debs=("$build"/packages/*.deb)
ddebs=("$build"/packages/*.ddeb)

echo "== lintian"
lintian --fail-on error "${debs[@]}"
# Debian's hardening flags reached every program: lintian names one that lacks any.
sem_protecao="$(lintian --pedantic -I --tags hardening-no-bindnow,hardening-no-fortify-functions,hardening-no-pie,hardening-no-relro "${debs[@]}")"
[[ -z "$sem_protecao" ]] || fail "programas sem as proteções do Debian: $sem_protecao"

work="$(mktemp -d /tmp/orva-pacotes.XXXXXX)"
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
for deb in "${debs[@]}"; do dpkg-deb -x "$deb" "$work/conteudo"; done
for ddeb in "${ddebs[@]}"; do dpkg-deb -x "$ddeb" "$work/simbolos"; done

echo "== programs: hardening and detached debug symbols"
programas=0
while IFS= read -r -d '' arquivo; do
  [[ "$(od -An -tx1 -N4 "$arquivo" | tr -d ' ')" == 7f454c46 ]] || continue
  programas=$((programas + 1))
  nome="${arquivo#"$work/conteudo"}"
  # PIE, stack protector, fortified functions, RELRO and immediate binding
  # (control-flow protection is no flag of Debian 12's dpkg-buildflags). A
  # program whose lintian override says that none of its calls can be
  # fortified is held to the rest.
  sem_fortify=()
  grep -qs "hardening-no-fortify-functions \[${nome#/}\]" "$work"/conteudo/usr/share/lintian/overrides/* && sem_fortify=(--nofortify)
  hardening-check --quiet --nocfprotection "${sem_fortify[@]}" "$arquivo" >&2 ||
    fail "$nome sem alguma das proteções do Debian"
  ! readelf -SW "$arquivo" | grep -q '\.debug_info' || fail "$nome traz os símbolos de depuração"
  id="$(readelf -nW "$arquivo" | sed -n 's/.*Build ID: *\([0-9a-f]*\).*/\1/p')"
  [[ -n "$id" && -f "$work/simbolos/usr/lib/debug/.build-id/${id:0:2}/${id:2}.debug" ]] ||
    fail "$nome sem os seus símbolos num pacote -dbgsym"
done < <(find "$work/conteudo" -type f -print0)
((programas == 5)) || fail "esperados 5 programas nos pacotes, achados $programas"
[[ "${#ddebs[@]}" -eq 2 ]] || fail "esperados 2 pacotes -dbgsym: ${ddebs[*]}"

echo "== reproducible packages"
# Packed again from files with other times, the packages are the same bytes:
# every time inside them is SOURCE_DATE_EPOCH's.
find "$build/packaging/man" "$build/packaging/doc" -name '*.gz' -exec touch {} +
touch "$build/dist/orva-datp-server"
"$root/scripts/package.sh" "$work/de-novo" >/dev/null
for pacote in "${debs[@]}" "${ddebs[@]}"; do
  cmp -s "$pacote" "$work/de-novo/${pacote##*/}" || fail "${pacote##*/} mudou ao ser empacotado de novo"
done

echo "== desktop entries, metainfo, manuals"
desktop-file-validate "$work"/conteudo/usr/share/applications/*.desktop
appstreamcli validate-tree --no-net "$work/conteudo"
! grep -rl 'example\.org' "$work/conteudo/usr/share/metainfo" || fail "endereço fictício no metainfo"
# Each window's class is the one its menu entry names (checked under Xvfb below).
classe_orva="$(sed -n 's/^StartupWMClass=//p' "$work/conteudo/usr/share/applications/org.orva.Orva.desktop")"
classe_cliente="$(sed -n 's/^StartupWMClass=//p' "$work/conteudo/usr/share/applications/org.orva.ClienteORVA.desktop")"
[[ -n "$classe_orva" && -n "$classe_cliente" ]] || fail "entradas do menu sem StartupWMClass"
for manual in orva orva-cli orva-rar clienteorva orva-datp-server; do
  for pasta in man1 pt_BR/man1; do
    [[ -f "$work/conteudo/usr/share/man/$pasta/$manual.1.gz" ]] || fail "sem o manual $pasta/$manual.1.gz"
  done
done
zgrep -q '^\.SH NAME' "$work/conteudo/usr/share/man/man1/orva-cli.1.gz" || fail "man1 não está em inglês"
zgrep -q '^\.SH NOME' "$work/conteudo/usr/share/man/pt_BR/man1/orva-cli.1.gz" || fail "pt_BR/man1 não está em português"

echo "== the server's unit"
unidade="$work/conteudo/lib/systemd/system/orva-datp-server.service"
exposicao="$(systemd-analyze security --offline=true "$unidade" 2>&1 |
  sed -n 's/.*Overall exposure level for [^:]*: \([0-9.]*\).*/\1/p')"
[[ -n "$exposicao" ]] || fail "systemd-analyze security não avaliou a unidade"
awk -v e="$exposicao" 'BEGIN { exit !(e < 3) }' || fail "unidade do servidor exposta: $exposicao"
echo "Exposição da unidade do servidor (systemd-analyze security): $exposicao"

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
# A copy for the client's window below, before the delivery marks it sent.
install -d -o "$user" "$work/casa3" "$work/casa3/entrega"
install -o "$user" -m 644 "$arquivo" "$work/casa3/entrega/"
as_user "$work/casa" orva-cli deliver "$arquivo" --port "$porta" >/dev/null
recibo="$pasta/ClienteOrvaDATP/recv/0000000000000120150007.cmp"
[[ -f "$recibo" ]] || fail "no receipt in the per-user folder"
rm "$recibo"
as_user "$work/casa" orva-cli receipt --inscricao 00000000000001 --exercicio 2015 --protocolo 7 --port "$porta" >/dev/null
[[ -f "$recibo" ]] || fail "the receipt was not fetched again"
kill "${pids[0]}"

echo "== Orva's and the client's main windows for other fresh users"
install -d -o "$user" "$work/casa2" "$work/casa4"
display=99
while [[ -e /tmp/.X11-unix/X$display || -e /tmp/.X$display-lock ]]; do display=$((display + 1)); done
Xvfb ":$display" -ac -nolisten tcp -screen 0 1280x1024x24 >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do [[ -e /tmp/.X11-unix/X$display ]] && break; sleep 0.1; done
export DISPLAY=":$display"
(exec_as_user "$work/casa2" orva 2>"$work/orva.err") &
pids+=($!)
# The client as the menu starts it: on an archive the user opened, and with
# no argument.
(exec_as_user "$work/casa3" clienteorva "$work/casa3/entrega/${arquivo##*/}" 2>"$work/cliente.err") &
pids+=($!)
(exec_as_user "$work/casa4" clienteorva 2>"$work/cliente4.err") &
pids+=($!)
# TITLE COUNT: until COUNT windows whose title begins with TITLE are shown.
windows_shown() {
  for _ in $(seq 60); do
    (($(xwininfo -root -tree | grep -cF "\"$1") >= ${2:-1})) && return 0
    sleep 0.5
  done
  return 1
}
# The class (WM_CLASS) of the window whose title begins with TITLE.
window_class() { xwininfo -root -tree | grep -F "\"$1" | sed -n 's/.*: ("[^"]*" "\([^"]*\)").*/\1/p' | head -1; }
windows_shown 'ORVA - Tessaria."' || { cat "$work/orva.err" >&2; fail "Orva showed no main window"; }
windows_shown 'Módulo de Entrega de Declaração/ORVA' 2 ||
  { cat "$work/cliente.err" "$work/cliente4.err" >&2; fail "the client showed no main window"; }
[[ "$(window_class 'ORVA - Tessaria."')" == "$classe_orva" ]] ||
  fail "Orva's window class $(window_class 'ORVA - Tessaria."') is not its menu entry's $classe_orva"
[[ "$(window_class 'Módulo de Entrega de Declaração/ORVA')" == "$classe_cliente" ]] ||
  fail "the client's window class is not its menu entry's $classe_cliente"
# Opened on the archive, the client selected it: its declaration is unpacked beside it.
for _ in $(seq 20); do
  ls "$work/casa3/entrega" | grep -qi '^Orva000700000000000001\.exp$' && break
  sleep 0.5
done
ls "$work/casa3/entrega" | grep -qi '^Orva000700000000000001\.exp$' ||
  fail "the client started on an archive did not select it"
kill "${pids[-1]}" "${pids[-2]}"
sleep 0.5
kill "${pids[-3]}"
unset DISPLAY
[[ -f "$work/casa3/.local/share/orva/ClienteOrvaDATP/ClienteORVA.INI" && -L "$work/casa3/.local/share/orva/rar" ]] ||
  fail "the client did not use the per-user folder"
[[ -d "$work/casa4/.local/share/orva/enviar" ]] || fail "the client without an argument has no enviar folder to open"
[[ -f "$work/casa2/.local/share/orva/orva.mdb" ]] || fail "Orva did not prepare the per-user folder"

echo "== the server's enable state: kept on upgrade, removed by a purge"
servidor_deb=("$build"/packages/orva-datp-server_*.deb)
link=/etc/systemd/system/multi-user.target.wants/orva-datp-server.service
# What "systemctl enable" makes, without a running systemd.
habilita() { mkdir -p "${link%/*}" && ln -s /lib/systemd/system/orva-datp-server.service "$link"; }
habilita
dpkg -i "${servidor_deb[0]}" >/dev/null
[[ -L "$link" ]] || fail "an upgrade disabled the server's service"
rm "$link"
dpkg -i "${servidor_deb[0]}" >/dev/null
[[ ! -L "$link" ]] || fail "an upgrade enabled the disabled service"
habilita
dpkg --purge orva-datp-server >/dev/null
[[ ! -L "$link" ]] || fail "the purge left $link"
[[ ! -e /var/lib/orva-datp-server ]] || fail "the purge left the server's data"
dpkg -i "${servidor_deb[0]}" >/dev/null
[[ ! -L "$link" ]] || fail "installed after a purge, the service came back enabled"

echo "== remove"
dpkg --purge orva orva-datp-server >/dev/null
[[ ! -e /usr/lib/orva && ! -e /usr/bin/orva-cli && ! -e /usr/bin/orva-datp-server ]] || fail "files left after removal"
echo "Pacotes conferidos: ${debs[*]##*/}"
