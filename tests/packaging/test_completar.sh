#!/usr/bin/env bash
# Drives orva-cli's bash completion as bash would on TAB, and checks that what
# it offers is what orva-cli accepts: its commands and the code tables.
# test_completar.sh COMPLETION_FILE ORVA_CLI
set -uo pipefail
completion="$1"
orva_cli="$2"
export LC_ALL=C
. /usr/share/bash-completion/bash_completion
. "$completion"
falhas=0

# WORD...: the words of the line as bash splits them ("=" a word of its own),
# the cursor at the end of the last. Prints the offers, sorted, one line.
offers() {
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  COMP_LINE="$*"
  COMP_LINE="${COMP_LINE// = /=}"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _orva_cli orva-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd ' '
}
expect() {
  local esperado="$1"
  shift
  local obtido
  obtido="$(offers "$@")"
  if [[ "$obtido" != "$esperado" ]]; then
    echo "FALHA: orva-cli ${*:2}<TAB> ofereceu \"$obtido\"; esperado \"$esperado\"" >&2
    falhas=$((falhas + 1))
  fi
}

# Commands, the program's options, --json before or after the command.
expect "apportionment backup compact company copy deliver export import init invoice protocol receipt restore table validate" orva-cli ''
expect "--dir --help --json --version" orva-cli --
expect "import init invoice" orva-cli --json i
expect "import init invoice" orva-cli --dir /tmp i
expect "--help --json --servidor" orva-cli init --
expect "--servidor" orva-cli init --s
expect "" orva-cli init --servidor ''
expect "--formato --help --json --protocolo" orva-cli validate --protocolo 7 --

# Values: report formats and code tables, after a space or "=".
expect "csv json texto" orva-cli import --formato ''
expect "json" orva-cli validate --formato j
expect "csv" orva-cli validate --formato = c
expect "CNAE" orva-cli table list --tabela C
expect "Tipo_Declara Tipo_Entrada Tipo_Entrega" orva-cli table list --tabela = Tipo
expect "CNAE Municipios Produtos Tipo_Declara Tipo_Entrada Tipo_Entrega" orva-cli --json table list --tabela ''

# Subcommands, then the options of the one chosen.
expect "delete list new reopen save" orva-cli protocol ''
expect "--help --json" orva-cli company --
expect "list" orva-cli --json table --json l
expect "--help --json --tabela" orva-cli table list --
expect "--help --json --municipio --protocolo" orva-cli apportionment delete --
expect "--inscricao" orva-cli protocol new --responsavel JOSÉ --i

# The commands orva-cli lists in its help are those offered.
listados="$("$orva_cli" --help | sed -n '/^Comandos:/,$p' | awk 'NR > 1 {print $1}' | sort -u | paste -sd ' ')"
expect "$listados" orva-cli ''

# Every table offered is one that orva-cli lists, in a fresh program folder.
pasta="$(mktemp -d)"
trap 'rm -rf "$pasta"' EXIT
if "$orva_cli" --dir "$pasta" init >/dev/null; then
  for tabela in $(offers orva-cli table list --tabela ''); do
    "$orva_cli" --dir "$pasta" table list --tabela "$tabela" >/dev/null 2>&1 ||
      { echo "FALHA: orva-cli table list --tabela $tabela foi recusado" >&2; falhas=$((falhas + 1)); }
  done
else
  echo "FALHA: orva-cli init numa pasta vazia" >&2
  falhas=$((falhas + 1))
fi

((falhas == 0)) && echo "Completamento conferido."
exit $((falhas > 0))
