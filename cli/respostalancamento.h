#pragma once
#include "comandos.h"
#include "stores/lancamento.h"

#include <QJsonObject>
#include <QStringList>

#include <map>
#include <optional>

// What the invoice and apportionment commands share: reading "save|delete|list"
// with its options, and the answer to a save or a delete.
namespace orva::cli {

// The options each action takes: those with a value, then the flags.
using OpcoesDasAcoes = std::map<QString, std::pair<QStringList, QStringList>>;

// The action named first and its options, which must include --protocolo;
// nothing (after reporting `uso`) for anything else.
struct Acao {
    QString nome;
    Opcoes opcoes;
};
std::optional<Acao> leAcao(const QString &comando, const QStringList &argumentos, const OpcoesDasAcoes &acoes,
                           const QString &uso);

// "Registro Gravado !" with the operation and the stored key (exit 0), or
// the refusal's message (exit 1).
int respondeGravacao(const stores::Gravacao &gravacao, const QJsonObject &chave, const QString &textoChave);

// How the row went (`apagada` and `retirada` name the two outcomes in the
// command's words) with exit 0, or `semLinha` with exit 2 when there was none.
int respondeExclusao(stores::Exclusao exclusao, const QJsonObject &chave, const QString &textoChave,
                     const QString &apagada, const QString &retirada, const QString &semLinha);

} // namespace orva::cli
