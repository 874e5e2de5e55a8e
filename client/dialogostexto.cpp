#include "dialogostexto.h"

#include "avisos.h"

#include <QTextStream>

namespace orva::cliente {

void DialogosTexto::aviso(const QString &mensagem1, const QString &mensagem2)
{
    m_saida << linhasAviso(mensagem1, mensagem2).join(QLatin1Char('\n')) << "\n\n" << Qt::flush;
}

void DialogosTexto::falha(const QString &mensagem1, const QString &mensagem2)
{
    m_erros << linhasFalha(mensagem1, mensagem2).join(QLatin1Char('\n')) << "\n\n" << Qt::flush;
}

void DialogosTexto::erro(const QString &texto) { m_erros << texto << '\n' << Qt::flush; }

void DialogosTexto::mensagem(const QString &texto) { m_saida << texto << '\n' << Qt::flush; }

} // namespace orva::cliente
