#include "comandos.h"
#include "resposta.h"

#include <QTextStream>

namespace orva::cli {

std::vector<Comando> &comandos()
{
    static std::vector<Comando> lista;
    return lista;
}

Registro::Registro(const char *nome, const char *uso, Executa executa)
{
    comandos().push_back({QString::fromUtf8(nome), QString::fromUtf8(uso), executa});
}

int falha(const QString &mensagem)
{
    Resposta::atual().mensagem(mensagem);
    return 1;
}

Opcoes::Opcoes(const QString &comando, const QStringList &argumentos, const QStringList &comValor,
               const QStringList &semValor)
{
    for (qsizetype i = 0; i < argumentos.size(); ++i) {
        const QString &a = argumentos.at(i);
        if (!a.startsWith(QLatin1String("--"))) {
            m_posicionais << a;
            continue;
        }
        QString nome = a.mid(2);
        QString valor;
        const qsizetype igual = nome.indexOf(QLatin1Char('='));
        const bool comIgual = igual >= 0;
        if (comIgual) {
            valor = nome.mid(igual + 1);
            nome = nome.left(igual);
        }
        if (comValor.contains(nome)) {
            if (!comIgual) {
                if (i + 1 >= argumentos.size()) {
                    m_erro = QStringLiteral("A opção --%1 do comando %2 precisa de um valor.").arg(nome, comando);
                    return;
                }
                valor = argumentos.at(++i);
            }
            m_valores.insert(nome, valor);
        } else if (semValor.contains(nome) && !comIgual) {
            m_flags << nome;
        } else {
            m_erro = QStringLiteral("Opção desconhecida para o comando %1: %2").arg(comando, a);
            return;
        }
    }
}

} // namespace orva::cli
