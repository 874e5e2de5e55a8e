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
        m_ordem << erro.linha;
    }
    it->erros << erro;
}

namespace {

// A block: the record, "------ Erros encotrados no registro acima Linha N------"
// (the import pass writes no "Linha N"), its messages and a line of dashes.
const QRegularExpression &cabecalho()
{
    static const QRegularExpression re(QStringLiteral("^------ Erros encotrados no registro acima (?:Linha (\\d+))?------$"));
    return re;
}
const QString separador(48, QLatin1Char('-'));

// The report line of the header of the block holding line `indice`, or -1.
int cabecalhoDoBloco(const QStringList &relatorio, int indice)
{
    if (indice < 0 || indice >= relatorio.size())
        return -1;
    if (indice + 1 < relatorio.size() && cabecalho().match(relatorio.at(indice + 1)).hasMatch())
        return indice + 1;
    for (int i = indice; i >= 0; --i) {
        if (i < indice && relatorio.at(i) == separador)
            return -1; // above the block clicked: another block
        if (cabecalho().match(relatorio.at(i)).hasMatch())
            return i;
    }
    return -1;
}

// The names of the record's fields as the users know them.
QString nomeDoCampo(const QString &campo)
{
    static const QHash<QString, QString> nomes = {
        {QStringLiteral("inscricao"), QStringLiteral("Inscrição Estadual")},
        {QStringLiteral("exercicio"), QStringLiteral("Exercício")},
        {QStringLiteral("municipio"), QStringLiteral("Município")},
        {QStringLiteral("tipo_entrada"), QStringLiteral("Tipo da Nota")},
        {QStringLiteral("tipo_emitente"), QStringLiteral("Tipo do Emitente")},
        {QStringLiteral("nota_fiscal"), QStringLiteral("Número da Nota Fiscal")},
        {QStringLiteral("data_emissao"), QStringLiteral("Data de Emissão")},
        {QStringLiteral("valor_nota"), QStringLiteral("Valor da Nota Fiscal")},
        {QStringLiteral("nota_origem"), QStringLiteral("Número da Nota Fiscal de Origem")},
        {QStringLiteral("municipio_origem"), QStringLiteral("Município de Origem")},
        {QStringLiteral("tipo_nota_origem"), QStringLiteral("Tipo da Nota de Origem")},
        {QStringLiteral("valor_nota_origem"), QStringLiteral("Valor da Nota Fiscal de Origem")},
    };
    return nomes.value(campo, campo);
}

} // namespace

int MarcasRelatorio::linhaDe(const QStringList &relatorio, int indice) const
{
    const int cab = cabecalhoDoBloco(relatorio, indice);
    if (cab < 0)
        return 0;
    const auto m = cabecalho().match(relatorio.at(cab));
    if (!m.captured(1).isEmpty())
        return m.captured(1).toInt();
    int bloco = 0;
    for (int i = 0; i < cab; ++i)
        if (cabecalho().match(relatorio.at(i)).hasMatch())
            ++bloco;
    return m_ordem.value(bloco);
}

int MarcasRelatorio::linhaDoBloco(const QStringList &relatorio, int indice)
{
    const int cab = cabecalhoDoBloco(relatorio, indice);
    return cab < 0 ? 0 : cabecalho().match(relatorio.at(cab)).captured(1).toInt();
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
                                .arg(nomeDoCampo(e.campo))
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
