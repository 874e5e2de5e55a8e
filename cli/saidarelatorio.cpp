#include "saidarelatorio.h"

#include "resposta.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace orva::cli {
namespace {

QString csv(const QString &valor)
{
    if (!valor.contains(QLatin1Char(',')) && !valor.contains(QLatin1Char('"')) && !valor.contains(QLatin1Char('\n')))
        return valor;
    QString dobrado = valor;
    dobrado.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + dobrado + QLatin1Char('"');
}

QByteArray json(const QJsonObject &objeto) { return QJsonDocument(objeto).toJson(QJsonDocument::Compact); }

} // namespace

std::optional<SaidaRelatorio::Formato> SaidaRelatorio::formato(const QString &nome)
{
    if (nome.isEmpty() || nome == QLatin1String("texto"))
        return Formato::Texto;
    if (nome == QLatin1String("csv"))
        return Formato::Csv;
    if (nome == QLatin1String("json"))
        return Formato::Json;
    return std::nullopt;
}

SaidaRelatorio::SaidaRelatorio(Formato formato) : m_formato(formato), m_out(stdout)
{
    if (m_formato == Formato::Csv)
        m_out << "linha,inscricao,nota_fiscal,tipo,campo,inicio,largura,mensagem,texto\n";
    else if (m_formato == Formato::Json)
        m_out << "{\"erros\":[";
}

void SaidaRelatorio::acompanha(orva::importacao::Acompanhamento &a)
{
    if (m_formato == Formato::Texto) {
        a.relatorio = [this](const QString &entrada) { m_out << entrada << '\n'; };
        return;
    }
    a.erro = [this](const orva::importacao::ErroRegistro &e) {
        // Several lines of a message are one text.
        const QString mensagem = e.mensagem.trimmed();
        if (m_formato == Formato::Csv) {
            m_out << e.linha << ',' << csv(e.inscricao) << ',' << csv(e.notaFiscal) << ',' << csv(e.tipo) << ','
                  << e.campo << ',' << e.inicio << ',' << e.largura << ',' << csv(mensagem) << ',' << csv(e.texto)
                  << '\n';
            return;
        }
        const QJsonObject objeto{{QStringLiteral("linha"), e.linha},
                                 {QStringLiteral("inscricao"), e.inscricao},
                                 {QStringLiteral("nota_fiscal"), e.notaFiscal},
                                 {QStringLiteral("tipo"), e.tipo},
                                 {QStringLiteral("campo"), e.campo},
                                 {QStringLiteral("inicio"), e.inicio},
                                 {QStringLiteral("largura"), e.largura},
                                 {QStringLiteral("mensagem"), mensagem},
                                 {QStringLiteral("texto"), e.texto}};
        m_out << (m_primeiro ? "" : ",") << QString::fromUtf8(json(objeto));
        m_primeiro = false;
    };
}

void SaidaRelatorio::termina(const QString &etapa, const orva::importacao::Resultado &r,
                             const QStringList &diagnostico)
{
    if (m_formato == Formato::Json) {
        const QJsonObject resumo{{QStringLiteral("etapa"), etapa},
                                 {QStringLiteral("processados"), r.processados},
                                 {QStringLiteral("erros"), r.erros},
                                 {QStringLiteral("importados"), r.importados},
                                 {QStringLiteral("ja_no_banco"), r.existentes},
                                 {QStringLiteral("cancelado"), r.cancelado}};
        m_out << "],\"diagnostico\":" << QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(diagnostico)).toJson(QJsonDocument::Compact))
              << ",\"resumo\":" << QString::fromUtf8(json(resumo));
        if (Resposta::atual().json()) {
            // orva-cli --json: the answer's keys close this same object.
            Resposta::atual().objetoProprio([](const QJsonObject &chaves) {
                // The keys' own object without its "{": its "}" closes the report's.
                QTextStream(stdout) << ',' << QString::fromUtf8(json(chaves)).mid(1) << Qt::endl;
            });
        } else {
            m_out << "}\n";
        }
    } else if (m_formato == Formato::Csv && !diagnostico.isEmpty()) {
        QTextStream err(stderr);
        for (const QString &frase : diagnostico)
            err << frase << '\n';
    }
    m_out.flush();
}

} // namespace orva::cli
