#include "marcasrelatorio.h"

#include <QRegularExpression>

namespace orva::importacao {

void MarcasRelatorio::registra(const ErroRegistro &erro)
{
    auto it = m_linhas.find(erro.linha);
    if (it == m_linhas.end()) {
        if (m_linhas.size() >= Maximo)
            return;
        it = m_linhas.insert(erro.linha, Linha{erro.conteudo, {}});
    }
    it->erros << erro;
}

int MarcasRelatorio::linhaDoBloco(const QStringList &relatorio, int indice)
{
    // A block: the record, "------ Erros encotrados no registro acima Linha N------",
    // its messages and a line of dashes.
    static const QRegularExpression cabecalho(QStringLiteral("^------ Erros encotrados no registro acima Linha (\\d+)------$"));
    static const QString separador(48, QLatin1Char('-'));
    if (indice < 0 || indice >= relatorio.size())
        return 0;
    if (indice + 1 < relatorio.size()) {
        const auto m = cabecalho.match(relatorio.at(indice + 1));
        if (m.hasMatch())
            return m.captured(1).toInt();
    }
    for (int i = indice; i >= 0; --i) {
        if (i < indice && relatorio.at(i) == separador)
            return 0; // above the block clicked: another block
        const auto m = cabecalho.match(relatorio.at(i));
        if (m.hasMatch())
            return m.captured(1).toInt();
    }
    return 0;
}

QString MarcasRelatorio::mostra(int linhaDoArquivo) const
{
    const auto it = m_linhas.constFind(linhaDoArquivo);
    if (it == m_linhas.constEnd())
        return QString();
    QString marcas(it->texto.size(), QLatin1Char(' '));
    QStringList mensagens;
    for (const ErroRegistro &e : it->erros) {
        if (e.campo != QLatin1String("registro"))
            for (int i = e.inicio - 1; i < e.inicio - 1 + e.largura && i < marcas.size(); ++i)
                marcas[i] = QLatin1Char('^');
        mensagens << (e.campo == QLatin1String("registro")
                          ? e.mensagem.trimmed()
                          : QStringLiteral("%1 (posições %2 a %3): %4")
                                .arg(e.campo)
                                .arg(e.inicio)
                                .arg(e.inicio + e.largura - 1)
                                .arg(e.mensagem.trimmed()));
    }
    while (marcas.endsWith(QLatin1Char(' ')))
        marcas.chop(1);
    QString regua;
    for (int i = 1; i <= it->texto.size(); ++i)
        regua += i % 10 == 0 ? QString::number(i / 10 % 10) : QStringLiteral(".");
    return QStringLiteral("Linha %1 do arquivo:\n%2\n%3\n%4\n\n%5")
        .arg(linhaDoArquivo)
        .arg(regua, it->texto, marcas, mensagens.join(QLatin1Char('\n')));
}

} // namespace orva::importacao
