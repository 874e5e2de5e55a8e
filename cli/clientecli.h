#pragma once
#include "comandos.h"

#include "client/cliente.h"
#include "client/dialogostexto.h"

#include <QTextStream>

// What deliver and receipt share: the client's dialogs as orva-cli answers
// them, the client folder and the server port.
namespace orva::cli {

// Without --json, as text (notices on stdout, failures on stderr); with
// --json, every text among the answer's messages.
class DialogosCli : public orva::cliente::Dialogos {
public:
    DialogosCli();
    void aviso(const QString &mensagem1, const QString &mensagem2) override;
    void falha(const QString &mensagem1, const QString &mensagem2) override;
    void erro(const QString &texto) override;
    void mensagem(const QString &texto) override;

private:
    QTextStream m_saida;
    QTextStream m_erros;
    orva::cliente::DialogosTexto m_texto;
};

// --client-dir, or ClienteOrvaDATP under the program folder.
QString pastaCliente(const Opcoes &opcoes);

// --port N of a local trial server (the receiving server's port is fixed);
// false, after the message, when it is no port.
bool definePorta(const Opcoes &opcoes, orva::cliente::Cliente &cliente);

} // namespace orva::cli
