#include "declaracao.h"

#include "common/win1252.h"
#include "core/shell/funcoesbase.h"

#include <QDate>

#include <charconv>
#include <cmath>
#include <limits>

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

namespace {

using orva::db::StoredValue;

bool ascii(QByteArrayView texto)
{
    for (const char c : texto)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// Appends the value as textAt() shows it, when that text is plain ASCII and
// needs no locale: false for amounts stored in a text column and the like.
bool acrescentaTexto(QByteArray &saida, const StoredValue &v, bool data)
{
    switch (v.kind) {
    case StoredValue::Kind::Null: return true;
    case StoredValue::Kind::Integer: {
        char digitos[24];
        const auto fim = std::to_chars(digitos, digitos + sizeof digitos, v.integer).ptr;
        saida.append(digitos, fim - digitos);
        return true;
    }
    case StoredValue::Kind::Text: {
        if (!ascii(v.text))
            return false;
        const char *t = v.text.data();
        if (data && v.text.size() >= 10 && t[4] == '-' && t[7] == '-') {
            // YYYY-MM-DD as stored, DD/MM/YYYY as shown.
            const char dma[10] = {t[8], t[9], '/', t[5], t[6], '/', t[0], t[1], t[2], t[3]};
            saida.append(dma, 10);
        } else {
            saida.append(v.text);
        }
        return true;
    }
    default: return false;
    }
}

// As V15(): the amount rounded to hundredths, halves away from zero, without
// the point, zeros on the left to 15. Hundredths of an amount are exact in the
// 64-bit mantissa of long double, so the rounding is that of the exact value,
// as the text form rounds. False for values too large for this path.
bool acrescentaV15(QByteArray &saida, const StoredValue &v)
{
    if constexpr (std::numeric_limits<long double>::digits < 64) {
        return false;
    } else {
        double valor = 0; // a null amount reads as 0
        if (v.kind == StoredValue::Kind::Real)
            valor = v.real;
        else if (v.kind == StoredValue::Kind::Integer)
            valor = static_cast<double>(v.integer);
        else if (v.kind != StoredValue::Kind::Null)
            return false;
        if (!std::isfinite(valor) || std::fabs(valor) >= 1e15)
            return false;
        const long double centesimos = std::fabs(static_cast<long double>(valor)) * 100;
        long double inteiros = std::floor(centesimos);
        if (centesimos - inteiros >= 0.5L)
            inteiros += 1;
        char texto[24];
        char *p = texto;
        if (valor < 0) // a negative amount keeps its sign even when it rounds to zero
            *p++ = '-';
        char digitos[24];
        const auto fim = std::to_chars(digitos, digitos + sizeof digitos, static_cast<unsigned long long>(inteiros)).ptr;
        for (auto n = fim - digitos; n < 3; ++n)
            *p++ = '0'; // "0.05" is "005" without the point
        p = std::copy(digitos, fim, p);
        for (auto n = p - texto; n < 15; ++n)
            saida += '0';
        saida.append(texto, p - texto);
        return true;
    }
}

// As appendZ()/appendB(), on what `acrescentaTexto` wrote from `inicio`.
void alinha(QByteArray &saida, qsizetype inicio, int largura, bool zerosEsquerda)
{
    const qsizetype falta = largura - (saida.size() - inicio);
    if (falta <= 0)
        return;
    if (zerosEsquerda)
        saida.insert(inicio, falta, '0');
    else
        saida.append(falta, ' ');
}

} // namespace

bool RegistroDetalhe::acrescentaAscii(QByteArray &saida) const
{
    if (!m_linhas.storedRow(m_colunas, m_valores))
        return false;
    const auto campo = [&](int coluna, int largura = 0, bool zeros = true) {
        const qsizetype inicio = saida.size();
        const size_t i = static_cast<size_t>(coluna);
        if (!acrescentaTexto(saida, m_valores[i], m_linhas.isDateColumn(m_colunas[i])))
            return false;
        alinha(saida, inicio, largura, zeros);
        return true;
    };
    const auto quantia = [&](int coluna) { return acrescentaV15(saida, m_valores[static_cast<size_t>(coluna)]); };
    if (m_tipo != 0) {
        saida += "40";
        return campo(0) && campo(1) && campo(2) && quantia(3) && quantia(4) && campo(5, 4) && campo(6);
    }
    saida += "30";
    for (int c = 0; c <= 5; ++c)
        if (!campo(c))
            return false;
    return quantia(6) && campo(7, 2) && campo(8, 10) && campo(9, 10, false) && campo(10, 2)
           && campo(11, 14, false) && campo(12, 2, false) && quantia(13) && campo(14, 6) && campo(15, 4)
           && campo(16);
}

void RegistroDetalhe::acrescentaWin1252(QByteArray &saida) const
{
    const qsizetype inicio = saida.size();
    if (acrescentaAscii(saida))
        return;
    saida.truncate(inicio);
    orva::win1252::appendEncoded(saida, registro());
}

} // namespace orva::declaracao
