#include "frm_recibo.h"

#include "common/emblema.h"

#include "client/comprovantes.h"
#include "common/relogio.h"
#include "common/errors.h"
#include "common/prompts.h"

#include <QPrinter>

namespace rep = orva::report;

namespace {

constexpr double kLinha = 6; // height of one line of text, mm

QRectF caixa(double x, double y, double largura, double altura = kLinha) { return QRectF(x, y, largura, altura); }

// The title band both reports share: emblem, banner lines, date and time,
// the report's title and a rule.
void cabecalho(rep::Report &r, const QString &titulo)
{
    const double w = r.contentWidth();
    r.title = titulo;
    rep::Band &b = r.titleBand;
    b.add(rep::image(orva::Emblema(280), caixa(0, 0, 22, 26)));
    const QStringList banner = Tfrm_recibo::linhasBanner();
    for (int i = 0; i < banner.size(); ++i)
        b.add(rep::label(banner.at(i), caixa(26, 2 + i * 7, w - 80)).inBold(i == 0).sized(i == 0 ? 11 : 10));
    b.add(rep::dateTime(caixa(w - 50, 0, 50, 5)).sized(8));
    b.add(rep::title(caixa(0, 30, w, 8)).inBold().sized(13));
    b.add(rep::line(41, 0, w));
    b.height = 44;
}

// Text as HTML that keeps its line breaks and the blank each later line
// starts with.
QString comoHtml(const QString &texto)
{
    QString t = texto;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return QStringLiteral("<p style=\"white-space: pre-wrap\">") + t.toHtmlEscaped() + QStringLiteral("</p>");
}

// The report in the preview; a failure while painting is shown once the
// preview has closed, never thrown through it.
void visualiza(const QString &titulo, const std::function<int(QPagedPaintDevice *, const QDateTime &)> &imprime)
{
    QString falha;
    const QDateTime agora = orva::agora();
    orva::prompts().printPreview(titulo, [&](QPrinter *printer) {
        try {
            printer->setCopyCount(1);
            imprime(printer, agora);
        } catch (const orva::Error &e) {
            falha = e.message();
        }
    });
    if (!falha.isEmpty())
        orva::prompts().error(falha);
}

} // namespace

QStringList Tfrm_recibo::linhasBanner()
{
    return {QStringLiteral("GOVERNO DO ESTADO"), QStringLiteral("SECRETARIA DE ESTADO DA FAZENDA"),
            QStringLiteral("COORDENADORIA DA RECEITA ESTADUAL")};
}

Tfrm_recibo::Tfrm_recibo()
{
    // ---- the delivery receipt ----
    {
        rep::Report &r = m_recibo;
        r.paper = QPageSize::Letter;
        r.font.setPointSizeF(10);
        cabecalho(r, QStringLiteral("RECIBO DE ENTREGA DA DECLARAÇÃO/ORVA"));
        const double w = r.contentWidth();
        rep::Band &d = r.detail;
        const auto par = [&](const QString &rotulo, const QString &coluna, double y, double x) {
            d.add(rep::label(rotulo, caixa(4, y, x - 6)));
            d.add(rep::field(coluna, caixa(x, y, w - x)).inBold());
        };
        d.add(rep::label(QStringLiteral("IDENTIFICAÇÃO DO CONTRIBUINTE"), caixa(0, 4, w)).inBold().sized(11));
        par(QStringLiteral("Inscrição Estadual:"), QStringLiteral("Inscricao"), 13, 46);
        par(QStringLiteral("Nome/Razão Social:"), QStringLiteral("Razao"), 20, 46);
        d.add(rep::line(30, 0, w));
        d.add(rep::label(QStringLiteral("DADOS DA DECLARAÇÃO"), caixa(0, 33, w)).inBold().sized(11));
        par(QStringLiteral("Exercicio de Referência:"), QStringLiteral("Referencia"), 42, 100);
        par(QStringLiteral("Nr. Protocolo de Transmissão:"), QStringLiteral("Protocolo"), 49, 100);
        par(QStringLiteral("Tipo de Declaração apresentada pelo contribuinte:"), QStringLiteral("TipoProtocolo"), 56, 100);
        par(QStringLiteral("Retificadora:"), QStringLiteral("Retificadora"), 63, 100);
        d.add(rep::line(73, 0, w));
        // The sentence carries the date itself; it is filled with the values.
        d.add(rep::richText(QString(), caixa(4, 77, w - 8, 12), false).named(QStringLiteral("qrRecebimento")));
        par(QStringLiteral("Número de controle:"), QStringLiteral("Controle"), 92, 100);
        par(QStringLiteral("Quantidade de Registros Processados:"), QStringLiteral("QtdRegistro"), 99, 100);
        d.add(rep::line(109, 0, w));
        d.add(rep::label(QStringLiteral("Versão: 1.0"), caixa(0, 111, 40, 5)).sized(8));
        d.height = 118;
        m_colunasRecibo = {QStringLiteral("Inscricao"),     QStringLiteral("Razao"),        QStringLiteral("Referencia"),
                           QStringLiteral("Protocolo"),     QStringLiteral("TipoProtocolo"), QStringLiteral("Retificadora"),
                           QStringLiteral("Data"),          QStringLiteral("Controle"),     QStringLiteral("QtdRegistro")};
    }
    // ---- the error report ----
    {
        rep::Report &r = m_erro;
        r.paper = QPageSize::Letter;
        r.font.setPointSizeF(10);
        cabecalho(r, QStringLiteral("RELATÓRIO DE ERRO - ENTREGA DE DECLARAÇÃO/ORVA"));
        const double w = r.contentWidth();
        rep::Band &d = r.detail;
        d.add(rep::label(QStringLiteral("DADOS DA DECLARAÇÃO"), caixa(0, 4, w)).inBold().sized(11));
        const auto par = [&](const QString &rotulo, const QString &coluna, double y) {
            d.add(rep::label(rotulo, caixa(4, y, 50)));
            d.add(rep::field(coluna, caixa(56, y, w - 56)).inBold());
        };
        par(QStringLiteral("Inscrição:"), QStringLiteral("Inscricao"), 13);
        par(QStringLiteral("Exercicio de Referência:"), QStringLiteral("Exercicio"), 20);
        par(QStringLiteral("Recebido:"), QStringLiteral("Recebido"), 27);
        d.add(rep::line(36, 0, w));
        d.add(rep::richText(QString(), caixa(4, 40, w - 8, 6)).named(QStringLiteral("qrProblema")));
        d.height = 48;
        m_colunasErro = {QStringLiteral("Inscricao"), QStringLiteral("Exercicio"), QStringLiteral("Recebido")};
    }
}

void Tfrm_recibo::DefineRecibo(const orva::cliente::Recibo &recibo, const QString &textoTipo,
                               const QString &textoRetificacao)
{
    m_valoresRecibo = {recibo.inscricao, recibo.razao,      recibo.referencia,
                       recibo.protocolo, textoTipo,         textoRetificacao,
                       recibo.data,      recibo.controle,   recibo.qtdRegistro};
    m_recibo.detail.find(QStringLiteral("qrRecebimento"))->text =
        QStringLiteral("A declaração acima identificada foi recebida via Internet pelo agente receptor da "
                       "Coordenadoria da Receita Estadual em <b>%1</b>.")
            .arg(recibo.data.toHtmlEscaped());
}

void Tfrm_recibo::DefineErro(const QString &inscricao, const QString &exercicio, const QString &recebido,
                             const QString &problema)
{
    m_valoresErro = {inscricao, exercicio, recebido};
    // The block is emptied before it receives the new problem text.
    rep::Element *bloco = m_erro.detail.find(QStringLiteral("qrProblema"));
    bloco->text.clear();
    bloco->text = comoHtml(problema);
}

int Tfrm_recibo::ImprimeRecibo(QPagedPaintDevice *device, const QDateTime &agora)
{
    rep::TableSource linhas(m_colunasRecibo, {m_valoresRecibo});
    return m_recibo.render(device, linhas, agora);
}

int Tfrm_recibo::ImprimeErro(QPagedPaintDevice *device, const QDateTime &agora)
{
    rep::TableSource linhas(m_colunasErro, {m_valoresErro});
    return m_erro.render(device, linhas, agora);
}

void Tfrm_recibo::VisualizaRecibo()
{
    visualiza(QStringLiteral("Recibo de Entrega da Declaração"),
              [this](QPagedPaintDevice *d, const QDateTime &agora) { return ImprimeRecibo(d, agora); });
}

void Tfrm_recibo::VisualizaErro()
{
    visualiza(QStringLiteral("Relatório de Erro"),
              [this](QPagedPaintDevice *d, const QDateTime &agora) { return ImprimeErro(d, agora); });
}
