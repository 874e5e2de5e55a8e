#pragma once
#include "comandos.h"

#include <QJsonArray>
#include <QJsonObject>

#include <functional>
#include <utility>

namespace orva::db {
class Connection;
}

// What the registration commands (company, protocol) share: their
// subcommands, their exit codes and their answers.
namespace orva::cli::cadastro {

// Exit codes of the registration commands.
enum Saida {
    Feito = 0,
    Recusado = 1,   // a rule or a check refused the input: nothing changed
    UsoErrado = 2,  // unknown subcommand or option, or a missing one
    FalhaBanco = 3, // the database failed: nothing changed
};
// The exit codes as --help shows them.
#define ORVA_CADASTRO_SAIDAS "saída 0 feito, 1 recusado (nada alterado), 2 uso errado, 3 falha do banco"

// A subcommand: its options are read with Opcoes, the database is open.
using Subcomando = std::function<int(const Opcoes &opcoes, db::Connection &conexao)>;
struct Definicao {
    QString nome;
    QStringList opcoes;     // options with a value
    QStringList obrigatorias;
    Subcomando executa;
};

// Runs the subcommand named by the first word of `argumentos` on the
// database of the program folder. `uso` is the command's usage line.
int executa(const QString &comando, const QString &uso, const QStringList &argumentos,
            const std::vector<Definicao> &subcomandos);

// Runs a read, merge and save of one row (`lendoEGravando` returns the
// refusal or empty text) again while another program changes that row
// between the read and the save: no one types in between, so the options
// given apply to the row as it then stands. Returns the last refusal.
QString gravaComReleitura(const std::function<QString()> &lendoEGravando);

// A refusal: its message, then Recusado.
int recusa(const QString &mensagem);
// Done: the message (if any), then the key of the row (a line of text, or
// "chave").
int feito(const QString &mensagem, const QString &chave);
// A save: "Registro Gravado !" and the stored key.
int gravado(const QString &chave);
// A list: each row a line of its values separated by tabs, or the "linhas" array.
int lista(const QStringList &colunas, const QJsonArray &linhas);

} // namespace orva::cli::cadastro
