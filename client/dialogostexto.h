#pragma once
#include "cliente.h"

class QTextStream;

namespace orva::cliente {

// The client's dialogs as text, for orva-cli: notices and plain messages on
// `saida`, failures and error boxes on `erros`, each as the lines the dialog
// would show.
class DialogosTexto : public Dialogos {
public:
    DialogosTexto(QTextStream &saida, QTextStream &erros) : m_saida(saida), m_erros(erros) {}
    void aviso(const QString &mensagem1, const QString &mensagem2) override;
    void falha(const QString &mensagem1, const QString &mensagem2) override;
    void erro(const QString &texto) override;
    void mensagem(const QString &texto) override;

private:
    QTextStream &m_saida;
    QTextStream &m_erros;
};

} // namespace orva::cliente
