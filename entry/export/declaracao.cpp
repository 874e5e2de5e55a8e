#include "declaracao.h"

#include "shell/funcoes.h"

#include <QDate>

namespace orva::declaracao {
namespace {

QString textoDe(orva::db::Query &q, const char *coluna) { return q.fieldByName(QLatin1String(coluna)).asString(); }

const char *const kColunasNota[] = {"INSCRICAO", "EXERCICIO", "MUNICIPIO", "NF", "DTA_EMIT_NF", "TIPO",
                                    "VALOR_NF", "TIPO_EMITENTE", "NOTA_ORIGEM", "DTA_NF_ORIGEM",
                                    "TIPO_EMITENTE_ORIGEM", "EMITENTE_NOTA_ORIGEM", "TIPO_NF_ORIGEM",
                                    "VALOR_NF_ORIGEM", "MUNICIPIO_ORIGEM", "PROTOCOLO", "OPERACAO"};
const char *const kColunasRateio[] = {"INSCRICAO", "EXERCICIO", "MUNICIPIO", "VALOR_ENTRADA",
                                      "VALOR_SAIDA", "PROTOCOLO", "OPERACAO"};

} // namespace

QString Z(const QString &valor, int largura) { return Funcoes::ZerosEsquerda(valor, largura); }

QString B(const QString &valor, int largura) { return Funcoes::EspacosDireita(valor, largura); }

QString V15(double valor)
{
    // "#0.00", then the punctuation removed: the amount in hundredths.
    return Z(Funcoes::RetiraPontuacao(QString::number(valor, 'f', 2)), 15);
}

QString C15(qint64 contagem) { return V15(static_cast<double>(contagem)); }

QString zeros15() { return QString(15, QLatin1Char('0')); }

QString radical(const QString &protocolo, const QString &inscricao)
{
    return QStringLiteral("Orva") + Z(protocolo, 4) + Z(inscricao, 14);
}

QString nomeArquivo(const QString &pastaPrograma, const QString &protocolo, const QString &inscricao)
{
    return pastaPrograma + QStringLiteral("dados/") + radical(protocolo, inscricao) + QStringLiteral(".exp");
}

QString nomeBaseCompactado(const QString &pastaPrograma, const QString &protocolo, const QString &inscricao)
{
    return pastaPrograma + QStringLiteral("enviar/") + radical(protocolo, inscricao);
}

QString registroEmpresa(orva::db::Query &e)
{
    return QStringLiteral("10") + Z(textoDe(e, "Inscricao"), 14) + B(textoDe(e, "Razao"), 70) + Z(textoDe(e, "Cnpj"), 14)
           + Z(textoDe(e, "Cnae"), 7) + Z(textoDe(e, "Tipo_Declara"), 4) + Z(textoDe(e, "MUNICIPIO"), 6);
}

QString registroProtocolo(orva::db::Query &p, const Totais &totais, const QDate &hoje)
{
    const auto transmissao = p.fieldByName(QStringLiteral("DtTransmissao"));
    const QString dataTransmissao =
        transmissao.isNull() ? hoje.toString(QStringLiteral("dd/MM/yyyy")) : transmissao.asString();
    return QStringLiteral("20") + Z(textoDe(p, "Protocolo"), 4) + Z(textoDe(p, "Tipo_Protocolo"), 2)
           + Z(textoDe(p, "Tipo_Entrega"), 2) + Z(textoDe(p, "Exercicio"), 4) + Z(textoDe(p, "Inscricao"), 14)
           + B(textoDe(p, "DtGeracao"), 10) + dataTransmissao + Z(textoDe(p, "CNPJ"), 14) + B(textoDe(p, "Razao"), 50)
           + Z(textoDe(p, "CRC"), 14) + B(textoDe(p, "Responsavel"), 50) + totais[0] + totais[1] + totais[2] + totais[3]
           + totais[4] + Z(textoDe(p, "MUNICIPIO"), 6);
}

RegistroDetalhe::RegistroDetalhe(orva::db::Query &linhas, int tipoProtocolo) : m_linhas(linhas), m_tipo(tipoProtocolo)
{
    const QStringList nomes = linhas.fieldNames();
    const auto posicao = [&](const char *coluna) {
        for (int i = 0; i < nomes.size(); ++i)
            if (nomes.at(i).compare(QLatin1String(coluna), Qt::CaseInsensitive) == 0)
                return i;
        throw orva::db::DatabaseError(QStringLiteral("Campo '%1' não encontrado.").arg(QLatin1String(coluna)));
    };
    if (m_tipo == 0)
        for (const char *c : kColunasNota)
            m_colunas.push_back(posicao(c));
    else
        for (const char *c : kColunasRateio)
            m_colunas.push_back(posicao(c));
}

QString RegistroDetalhe::texto(int coluna) const
{
    return m_linhas.textAt(m_colunas[static_cast<size_t>(coluna)]);
}

double RegistroDetalhe::valor(int coluna) const
{
    return m_linhas.floatAt(m_colunas[static_cast<size_t>(coluna)]);
}

namespace {

// Appending helpers for the detail records, which are written millions of times.
void appendZ(QString &out, const QString &valor, int largura)
{
    for (qsizetype i = valor.size(); i < largura; ++i)
        out += QLatin1Char('0');
    out += valor;
}

void appendB(QString &out, const QString &valor, int largura)
{
    out += valor;
    for (qsizetype i = valor.size(); i < largura; ++i)
        out += QLatin1Char(' ');
}

void appendV15(QString &out, double valor) { out += V15(valor); }

} // namespace

QString RegistroDetalhe::registro() const
{
    QString r;
    r.reserve(160);
    if (m_tipo != 0) {
        r += QLatin1String("40");
        r += texto(0);
        r += texto(1);
        r += texto(2);
        appendV15(r, valor(3));
        appendV15(r, valor(4));
        appendZ(r, texto(5), 4);
        r += texto(6);
        return r;
    }
    r += QLatin1String("30");
    for (int c = 0; c <= 5; ++c)
        r += texto(c); // inscription, exercise, municipality, number, date, type as stored
    appendV15(r, valor(6));
    appendZ(r, texto(7), 2);
    appendZ(r, texto(8), 10);
    appendB(r, texto(9), 10);
    appendZ(r, texto(10), 2);
    appendB(r, texto(11), 14);
    appendB(r, texto(12), 2);
    appendV15(r, valor(13));
    appendZ(r, texto(14), 6);
    appendZ(r, texto(15), 4);
    r += texto(16);
    return r;
}

} // namespace orva::declaracao
