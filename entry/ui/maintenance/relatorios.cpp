#include "relatorios.h"

#include "common/errors.h"
#include "common/prompts.h"
#include "core/shell/dtmdados.h"
#include "common/relogio.h"

#include <QPrinter>

namespace rep = orva::report;

namespace {

// Amount columns: grouped with two decimals; a negative amount as a whole
// number without sign; zero as "*".
const QString kMascaraValor = QStringLiteral("###,###,###,##0.00;0;*");
// Group totals keep their sign and print zero as 0,00.
const QString kFormatoTotal = QStringLiteral("###,###,##0.00");

constexpr double kLinha = 5; // height of one line of text, mm

QRectF caixa(double x, double y, double largura) { return QRectF(x, y, largura, kLinha); }

// The declarant's header of the apportionment and invoice reports: exercise,
// registration and name, then the column headings given and a rule.
void cabecalhoDeclarante(rep::Report &r, const std::vector<rep::Element> &titulos)
{
    const double w = r.contentWidth();
    rep::Band &b = r.groupHeader;
    b.add(rep::field(QStringLiteral("EXERCICIO"), caixa(0, 1, 20)).inBold());
    b.add(rep::field(QStringLiteral("INSCRICAO"), caixa(22, 1, 34)).inBold());
    b.add(rep::field(QStringLiteral("RAZAO"), caixa(58, 1, w - 58)).inBold());
    for (rep::Element t : titulos) {
        t.bold = true;
        b.add(t);
    }
    b.add(rep::line(14, 0, w));
    b.height = 15;
}

std::unique_ptr<TfrmRelacao> relatorioPara(const QString &tabela)
{
    if (tabela == QLatin1String("vwRateio"))
        return std::make_unique<TfrmRelacaoRateio>();
    if (tabela == QLatin1String("vwNotaFiscal"))
        return std::make_unique<TfrmRelacaoNotaFiscal>();
    if (tabela == QLatin1String("Empresa"))
        return std::make_unique<TfrmRelacaoEmpresa>();
    if (tabela == QLatin1String("Protocolo"))
        return std::make_unique<TfrmRelacaoProtocolo>();
    return std::make_unique<TfrmRelacaoTabela>();
}

} // namespace

namespace orva::relatorios {

bool QuerySource::isNumeric(const QString &field)
{
    const int type = m_query.fieldByName(field).value().typeId();
    return type == QMetaType::LongLong || type == QMetaType::Double;
}

void ImprimeRelacao(const QString &tabela, const QString &sql)
{
    std::unique_ptr<TfrmRelacao> relatorio = relatorioPara(tabela);
    try {
        relatorio->AbreConsulta(sql);
        if (auto *tabelaCodigo = dynamic_cast<TfrmRelacaoTabela *>(relatorio.get())) {
            const QStringList campos = relatorio->ADOQuery1().fieldNames();
            tabelaCodigo->DefineTabela(tabela, campos.value(0), campos.value(1));
        }
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
        return;
    }
    // The preview paints again for every print; a failure while painting is
    // kept and shown once the preview is gone, never thrown through it.
    QString falha;
    orva::prompts().printPreview(relatorio->Caption(), [&](QPrinter *printer) {
        try {
            relatorio->Imprime(printer, orva::agora());
        } catch (const orva::Error &e) {
            falha = e.message();
        }
    });
    if (!falha.isEmpty())
        orva::prompts().error(falha);
}

} // namespace orva::relatorios

// ---- TfrmRelacao ----

TfrmRelacao::TfrmRelacao(const QString &caption) : m_caption(caption) {}

TfrmRelacao::~TfrmRelacao()
{
    if (m_query)
        m_query->close();
}

orva::db::Query &TfrmRelacao::ADOQuery1()
{
    if (!m_query) {
        if (!dtmDados)
            throw orva::db::DatabaseError(QStringLiteral("A conexão com o banco de dados não foi criada."));
        m_query = std::make_unique<orva::db::Query>(dtmDados->ADOConnection);
        // A report reads its rows once per painting and keeps none.
        m_query->setForwardOnly(true);
    }
    return *m_query;
}

void TfrmRelacao::AbreConsulta(const QString &sql)
{
    orva::db::Query &q = ADOQuery1();
    q.close();
    q.setSql(sql);
    q.open();
}

int TfrmRelacao::Imprime(QPagedPaintDevice *device, const QDateTime &agora)
{
    orva::relatorios::QuerySource linhas(ADOQuery1());
    return m_report.render(device, linhas, agora);
}

// ---- the five reports ----

TfrmRelacaoTabela::TfrmRelacaoTabela() : TfrmRelacao(QStringLiteral("Relatorio da Tabela"))
{
    const double w = m_report.contentWidth();
    m_report.standardPage({rep::label(QStringLiteral("Código"), caixa(0, 0, 30), Qt::AlignRight),
                           rep::label(QStringLiteral("Descrição"), caixa(35, 0, w - 35))});
    m_report.detail.add(rep::field(QString(), caixa(0, 0, 30), Qt::AlignRight).named(QStringLiteral("cpCodigo")));
    m_report.detail.add(rep::field(QString(), caixa(35, 0, w - 35)).named(QStringLiteral("cpDescricao")));
    m_report.detail.height = kLinha;
}

void TfrmRelacaoTabela::DefineTabela(const QString &tabela, const QString &campoCodigo, const QString &campoDescricao)
{
    m_report.title = QStringLiteral("Relação da Tabela ") + tabela + QStringLiteral(".");
    const auto vincula = [this](const QString &nome, const QString &campo) {
        rep::Element *e = m_report.detail.find(nome);
        // A result with a single column leaves the description blank.
        e->kind = campo.isEmpty() ? rep::ElementKind::Label : rep::ElementKind::Field;
        e->text = campo;
    };
    vincula(QStringLiteral("cpCodigo"), campoCodigo);
    vincula(QStringLiteral("cpDescricao"), campoDescricao);
}

TfrmRelacaoRateio::TfrmRelacaoRateio() : TfrmRelacao(QStringLiteral("Relatorio de Rateio"))
{
    rep::Report &r = m_report;
    const double w = r.contentWidth();
    r.title = QStringLiteral("Relação de Rateios");
    r.standardPage({rep::label(QStringLiteral("Exercicio"), caixa(0, 0, 20)),
                    rep::label(QStringLiteral("Empresea Declarante"), caixa(22, 0, 120))});
    r.groupField = QStringLiteral("INSCRICAO");
    r.groupOnNewPage = true;
    cabecalhoDeclarante(r, {rep::label(QStringLiteral("Município"), caixa(0, 8, 95)),
                            rep::label(QStringLiteral("Valor de Entrada"), caixa(100, 8, 45), Qt::AlignRight),
                            rep::label(QStringLiteral("Valor de Saida"), caixa(145, 8, w - 145), Qt::AlignRight)});

    r.detail.add(rep::field(QStringLiteral("Municipio"), caixa(0, 0, 95)));
    r.detail.add(rep::field(QStringLiteral("VALOR_ENTRADA"), caixa(100, 0, 45), Qt::AlignRight, kMascaraValor));
    r.detail.add(rep::field(QStringLiteral("VALOR_SAIDA"), caixa(145, 0, w - 145), Qt::AlignRight, kMascaraValor));
    r.detail.height = kLinha;

    r.groupFooter.add(rep::line(1, 0, w));
    r.groupFooter.add(rep::label(QStringLiteral("Total.:"), caixa(60, 2, 38), Qt::AlignRight).inBold());
    r.groupFooter.add(rep::sum(QStringLiteral("Valor_Entrada"), caixa(100, 2, 45), kFormatoTotal)
                          .inBold().named(QStringLiteral("qrlblTotalEntrada")));
    r.groupFooter.add(rep::sum(QStringLiteral("Valor_Saida"), caixa(145, 2, w - 145), kFormatoTotal)
                          .inBold().named(QStringLiteral("qrlblTotalSaida")));
    r.groupFooter.height = 8;
}

TfrmRelacaoNotaFiscal::TfrmRelacaoNotaFiscal() : TfrmRelacao(QStringLiteral("Relatorio de Notas Fiscais"))
{
    rep::Report &r = m_report;
    const double w = r.contentWidth();
    r.title = QStringLiteral("Relação de Notas Fiscais");
    r.standardPage({rep::label(QStringLiteral("Exercicio"), caixa(0, 0, 20)),
                    rep::label(QStringLiteral("Empresea Declarante"), caixa(22, 0, 120))});
    r.groupField = QStringLiteral("INSCRICAO");
    r.groupOnNewPage = true;
    cabecalhoDeclarante(r, {rep::label(QStringLiteral("Município"), caixa(0, 8, 22)),
                            rep::label(QStringLiteral("Nota Fiscal"), caixa(24, 8, 30), Qt::AlignRight),
                            rep::label(QStringLiteral("Tipo NF."), caixa(60, 8, 20)),
                            rep::label(QStringLiteral("Data de Emissão"), caixa(82, 8, 43), Qt::AlignRight),
                            rep::label(QStringLiteral("Valor da Nota Fiscal"), caixa(130, 8, w - 130), Qt::AlignRight)});

    r.detail.add(rep::field(QStringLiteral("MUNICIPIO"), caixa(0, 0, 22)));
    r.detail.add(rep::field(QStringLiteral("NF"), caixa(24, 0, 30), Qt::AlignRight));
    r.detail.add(rep::field(QStringLiteral("TIPO"), caixa(60, 0, 20)));
    r.detail.add(rep::field(QStringLiteral("DTA_EMIT_NF"), caixa(82, 0, 43), Qt::AlignRight));
    r.detail.add(rep::field(QStringLiteral("VALOR_NF"), caixa(130, 0, w - 130), Qt::AlignRight, kMascaraValor));
    r.detail.height = kLinha;

    r.groupFooter.add(rep::line(1, 0, w));
    r.groupFooter.add(rep::label(QStringLiteral("Sub Total.:"), caixa(82, 2, 43), Qt::AlignRight).inBold());
    r.groupFooter.add(rep::sum(QStringLiteral("Valor_Nf"), caixa(130, 2, w - 130), kFormatoTotal)
                          .inBold().named(QStringLiteral("qrlblSubTotal")));
    r.groupFooter.height = 8;
}

TfrmRelacaoEmpresa::TfrmRelacaoEmpresa() : TfrmRelacao(QStringLiteral("Relatorio de Empresas"))
{
    rep::Report &r = m_report;
    const double w = r.contentWidth();
    r.title = QStringLiteral("Relação de Empresas");
    r.standardPage({rep::label(QStringLiteral("Empresea Declarante"), caixa(0, 0, 110)),
                    rep::label(QStringLiteral("C.N.P.J"), caixa(112, 0, 33)),
                    rep::label(QStringLiteral("C.N.A.E"), caixa(147, 0, 25)),
                    rep::label(QStringLiteral("Tipo"), caixa(174, 0, w - 174))});
    r.detail.add(rep::field(QStringLiteral("INSCRICAO"), caixa(0, 0, 31)));
    r.detail.add(rep::field(QStringLiteral("RAZAO"), caixa(33, 0, 77)));
    // The mask counts only for a numeric column; registrations are text.
    r.detail.add(rep::field(QStringLiteral("CNPJ"), caixa(112, 0, 33), Qt::AlignLeft, kMascaraValor));
    r.detail.add(rep::field(QStringLiteral("CNAE"), caixa(147, 0, 25)));
    r.detail.add(rep::field(QStringLiteral("TIPO_DECLARA"), caixa(174, 0, w - 174)));
    r.detail.height = kLinha;
}

TfrmRelacaoProtocolo::TfrmRelacaoProtocolo() : TfrmRelacao(QStringLiteral("Relatorio de Protocolos"))
{
    rep::Report &r = m_report;
    const double w = r.contentWidth();
    r.title = QStringLiteral("Relação de Protocolos");
    r.standardPage({});
    r.groupField = QStringLiteral("EXERCICIO");
    r.groupOnNewPage = true;

    rep::Band &g = r.groupHeader;
    g.add(rep::label(QStringLiteral("Exercicio"), caixa(0, 1, 20)).inBold());
    g.add(rep::field(QStringLiteral("EXERCICIO"), caixa(22, 1, 20)).inBold());
    g.add(rep::label(QStringLiteral("Nr. Protocolo"), caixa(0, 8, 25)).inBold());
    g.add(rep::label(QStringLiteral("Empresa declarante"), caixa(27, 8, w - 27)).inBold());
    g.add(rep::label(QStringLiteral("Data de Emissão"), caixa(0, 13, 40)).inBold());
    g.add(rep::label(QStringLiteral("Data de Transmissão"), caixa(42, 13, 48)).inBold());
    g.add(rep::label(QStringLiteral("Responsavel"), caixa(92, 13, w - 92)).inBold());
    g.add(rep::line(19, 0, w));
    g.height = 20;

    rep::Band &d = r.detail;
    d.add(rep::field(QStringLiteral("PROTOCOLO"), caixa(0, 0.5, 25)));
    d.add(rep::field(QStringLiteral("INSCRICAO"), caixa(27, 0.5, 32), Qt::AlignRight));
    d.add(rep::field(QStringLiteral("CNPJ"), caixa(62, 0.5, 32)));
    d.add(rep::field(QStringLiteral("RAZAO"), caixa(96, 0.5, w - 96)));
    d.add(rep::field(QStringLiteral("DTGERACAO"), caixa(0, 5.5, 40)));
    d.add(rep::field(QStringLiteral("DTTRANSMISSAO"), caixa(42, 5.5, 48)));
    d.add(rep::field(QStringLiteral("RESPONSAVEL"), caixa(92, 5.5, w - 92)));
    d.add(rep::line(11.5, 0, w));
    d.height = 12.5;

    r.groupFooter.add(rep::line(1, 0, w));
    r.groupFooter.height = 3;
}
