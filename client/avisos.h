#pragma once
#include <QString>
#include <QStringList>

// The texts of the client's notice dialog, shared by its window and orva-cli.
namespace orva::cliente {

// Every "#13" (how the server marks a line break) becomes CR, LF and a blank.
QString TrocaQuebras(const QString &texto);

// The lines of the success notice, in order.
QStringList linhasAviso(const QString &mensagem1, const QString &mensagem2);
// The lines of the failure notice, in order; message 2 may give several.
QStringList linhasFalha(const QString &mensagem1, const QString &mensagem2);

} // namespace orva::cliente
