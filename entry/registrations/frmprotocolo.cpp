#include "frmprotocolo.h"
#include "ui_frmprotocolo.h"

#include "common/prompts.h"
#include "frmconsulta.h"
#include "shell/conventions.h"
#include "shell/dtmdados.h"
#include "shell/exithandler.h"
#include "shell/funcoes.h"
#include "shell/relogio.h"

#include <QShowEvent>
#include <QTimer>

using orva::db::ParamKind;

namespace {

const QString kNaoCadastrado = QStringLiteral("Não Cadastrado");
// Every protocol belongs to this exercise.
const QString kExercicio = QStringLiteral("2015");


// The company's declaration type as the protocol type: a whole number, or
// the save stops here.
int tipoDeclaracao(const QString &texto)
{
    bool ok = false;
    const int tipo = texto.trimmed().toInt(&ok);
    if (!ok)
        throw orva::Error(QStringLiteral("'%1' não é um valor inteiro válido.").arg(texto));
    return tipo;
}

} // namespace

TfrmProtocolo::TfrmProtocolo(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::frmProtocolo>())
{
    ui->setupUi(this);
    ui->btnReAbrir->setEnabled(false);
    ui->btnReAbrir->hide();
    orva::ui::applyWindowConventions(this);
    orva::ui::ignoreEscape(this); // only "Fechar" closes: nothing typed is lost to a stray Esc

    orva::ui::makeDigitField(ui->edtProtocolo);
    orva::ui::makeDigitField(ui->edtInscricao);
    orva::ui::makeDigitField(ui->edtTipoEntrega);

    orva::ui::onExit(ui->edtProtocolo, [this] { edtProtocoloExit(); });
    orva::ui::onExit(ui->edtTipoEntrega, [this] { edtTipoEntregaExit(); });
    orva::ui::onExit(ui->edtInscricao, [this] { edtInscricaoExit(); });
    orva::ui::onExit(ui->edtResponsavel, [this] { edtResponsavelExit(); });

    connect(ui->btnNovo, &QPushButton::clicked, this, &TfrmProtocolo::btnNovoClick);
    connect(ui->btnSalvar, &QPushButton::clicked, this, &TfrmProtocolo::btnSalvarClick);
    connect(ui->btnConsulta, &QPushButton::clicked, this, &TfrmProtocolo::btnConsultaClick);
    connect(ui->btnApagar, &QPushButton::clicked, this, &TfrmProtocolo::btnApagarClick);
    connect(ui->btnFechar, &QPushButton::clicked, this, &TfrmProtocolo::btnFecharClick);
    connect(ui->btnReAbrir, &QPushButton::clicked, this, &TfrmProtocolo::btnReAbrirClick);
    connect(ui->btnConsTipoEntrega, &QToolButton::clicked, this, &TfrmProtocolo::btnConsTipoEntregaClick);
    connect(ui->btnConsEmpresa, &QToolButton::clicked, this, &TfrmProtocolo::btnConsEmpresaClick);
}

TfrmProtocolo::~TfrmProtocolo() = default;

void TfrmProtocolo::Abre(QWidget *parent)
{
    TfrmProtocolo frm(parent);
    frm.DefineTabela(QStringLiteral("Protocolo"));
    orva::prompts().execModal(frm);
}

void TfrmProtocolo::AbreReabertura(QWidget *parent)
{
    TfrmProtocolo frm(parent);
    frm.DefineTabela(QStringLiteral("Protocolo"));
    frm.DefineModoReabertura();
    orva::prompts().execModal(frm);
}

void TfrmProtocolo::DefineTabela(const QString &tabela) { strTabela = tabela; }

void TfrmProtocolo::DefineModoReabertura()
{
    ui->btnReAbrir->setEnabled(true);
    ui->btnReAbrir->show();
    ui->btnSalvar->setEnabled(false);
    ui->btnApagar->setEnabled(false);
    ui->btnNovo->setEnabled(false);
}

orva::db::Query &TfrmProtocolo::ADOQuery()
{
    if (!m_query)
        m_query = std::make_unique<orva::db::Query>(TdtmDados::Conexao());
    return *m_query;
}

orva::db::Command &TfrmProtocolo::ADOCommand()
{
    if (!m_command)
        m_command = std::make_unique<orva::db::Command>(TdtmDados::Conexao());
    return *m_command;
}

bool TfrmProtocolo::Consulta(const QString &sql)
{
    orva::db::Query &q = ADOQuery();
    q.close();
    q.parameters().clear();
    q.setSql(sql);
    q.open();
    return !q.eof();
}

// --- Showing ----------------------------------------------------------------

void TfrmProtocolo::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_shown && !event->spontaneous()) {
        m_shown = true;
        FormShow();
    }
}

void TfrmProtocolo::FormShow()
{
    if (strTabela.isEmpty()) {
        orva::prompts().information(QStringLiteral("Falta de parametro strTabela = "));
        QTimer::singleShot(0, this, &QDialog::reject);
        return;
    }
    setWindowTitle(QStringLiteral("Manutenção da Tabela ") + strTabela);
    Funcoes::LimpaCampos(this);
    orva::ui::focusFirstField(this);
}

// --- Loading ----------------------------------------------------------------

void TfrmProtocolo::CarregaProtocolo()
{
    const QString numero = ui->edtProtocolo->text();
    QString tipoEntrega, inscricao, crc, responsavel;
    try {
        if (!Consulta(QStringLiteral("Select * From ") + strTabela + QStringLiteral(" Where Protocolo = ") + numero))
            return;
        orva::db::Query &q = ADOQuery();
        tipoEntrega = q.fieldByName(QStringLiteral("Tipo_Entrega")).asString();
        inscricao = q.fieldByName(QStringLiteral("Inscricao")).asString();
        crc = q.fieldByName(QStringLiteral("Crc")).asString();
        responsavel = q.fieldByName(QStringLiteral("Responsavel")).asString();
        q.close();
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
        return;
    }

    ui->edtTipoEntrega->setText(tipoEntrega);
    if (!tipoEntrega.isEmpty())
        edtTipoEntregaExit();
    ui->edtInscricao->setText(inscricao);
    if (!inscricao.isEmpty())
        edtInscricaoExit();
    // The declarant step may have brought the company's open protocol
    // instead, together with its own C.R.C and responsible person.
    if (ui->edtProtocolo->text() == numero) {
        ui->edtCrcContador->setText(crc);
        ui->edtResponsavel->setText(responsavel);
    }
}

void TfrmProtocolo::VerificaProtocoloAberto()
{
    struct Linha {
        QString protocolo, tipoEntrega, inscricao, crc, responsavel, tipoProtocolo, dtGeracao, dtTransmissao, cnpj,
            razao, valorNotas, qtdeNotas, valorEntradas, valorSaidas, qtdeMunicipios, municipio;
    } l;
    try {
        if (!Consulta(QStringLiteral("Select * From ") + strTabela + QStringLiteral(" Where Inscricao = ")
                      + QStringLiteral("'") + ui->edtInscricao->text() + QStringLiteral("'")
                      + QStringLiteral(" And DtTransmissao is Null ")))
            return;
        orva::db::Query &q = ADOQuery();
        const auto campo = [&q](const char *nome) { return q.fieldByName(QString::fromLatin1(nome)).asString(); };
        l = {campo("Protocolo"),   campo("Tipo_Entrega"),  campo("Inscricao"),     campo("Crc"),
             campo("Responsavel"), campo("Tipo_Protocolo"), campo("DtGeracao"),    campo("DtTransmissao"),
             campo("CNPJ"),        campo("Razao"),          campo("Valor_Notas"),   campo("Qtde_Notas"),
             campo("Valor_Entradas"), campo("Valor_Saidas"), campo("Qtde_Municipios"), campo("Municipio")};
        q.close();
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
        return;
    }

    orva::prompts().warning(
        QStringLiteral("Esta empresa ja possui um protocolo cadastrado que não foi transmitido\n"
                       "Para poder gerar outro protocolo para esta empresa, por favor transmita\n"
                       "o protocolo existente!"));

    ui->edtProtocolo->setText(l.protocolo);
    ui->edtTipoEntrega->setText(l.tipoEntrega);
    if (!l.tipoEntrega.isEmpty())
        edtTipoEntregaExit();
    ui->edtInscricao->setText(l.inscricao);
    ui->edtCrcContador->setText(l.crc);
    ui->edtResponsavel->setText(l.responsavel);
    ui->edtTipoProtocolo->setText(l.tipoProtocolo);
    if (!l.tipoProtocolo.isEmpty())
        DescricaoTipoProtocolo();
    ui->edtDataCricao->setText(l.dtGeracao);
    ui->edtDataTransmissao->setText(l.dtTransmissao);
    ui->edtCnpj->setText(l.cnpj);
    ui->edtRazaoSocial->setText(l.razao);
    ui->edtValorNota->setText(l.valorNotas);
    ui->edtQtdeNota->setText(l.qtdeNotas);
    ui->edtValorEntrada->setText(l.valorEntradas);
    ui->edtValorSaida->setText(l.valorSaidas);
    ui->edtQtdeMunicipio->setText(l.qtdeMunicipios);
    ui->edtMunicipio->setText(l.municipio);
}

void TfrmProtocolo::DescricaoTipoProtocolo()
{
    if (!ui->edtTipoProtocolo->text().isEmpty())
        ui->lblNomeTipoProtocolo->setText(Funcoes::BuscaDescricao(QStringLiteral("Tipo_Declara"),
                                                                  QStringLiteral("Codigo"),
                                                                  ui->edtTipoProtocolo->text(),
                                                                  QStringLiteral("Descricao")));
    if (ui->lblNomeTipoProtocolo->text() == kNaoCadastrado)
        ui->edtTipoProtocolo->clear();
}

// --- Writing ----------------------------------------------------------------

void TfrmProtocolo::GravaProtocolo()
{
    const QString numero = ui->edtProtocolo->text();
    const QString inscricao = ui->edtInscricao->text();
    try {
        const bool existe =
            Consulta(QStringLiteral("Select * From ") + strTabela + QStringLiteral(" Where Protocolo = ") + numero);
        ADOQuery().close();

        const auto daEmpresa = [&inscricao](const char *coluna) {
            return Funcoes::BuscaDescricao(QStringLiteral("Empresa"), QStringLiteral("Inscricao"), inscricao,
                                           QString::fromLatin1(coluna));
        };
        const int tipoProtocolo = tipoDeclaracao(daEmpresa("Tipo_Declara"));
        const QString razao = daEmpresa("Razao");
        const QString cnpj = daEmpresa("Cnpj");
        const QString municipio = daEmpresa("Municipio");

        orva::db::Command &cmd = ADOCommand();
        orva::db::Parameters &p = cmd.parameters();
        p.clear();
        p.add(QStringLiteral("pProtocolo"), ParamKind::Integer).setValue(numero);
        p.add(QStringLiteral("pTipoProtocolo"), ParamKind::Integer).setValue(tipoProtocolo);
        p.add(QStringLiteral("pTipoEntrega"), ParamKind::Text).setValue(ui->edtTipoEntrega->text());
        p.add(QStringLiteral("pExercicio"), ParamKind::Text).setValue(kExercicio);
        p.add(QStringLiteral("pInscricao"), ParamKind::Text).setValue(inscricao);
        p.add(QStringLiteral("pDtGeracao"), ParamKind::Date)
            .setValue(orva::hoje().toString(QStringLiteral("dd/MM/yyyy")));
        p.add(QStringLiteral("pResponsavel"), ParamKind::Text).setValue(ui->edtResponsavel->text());
        p.add(QStringLiteral("pCrc"), ParamKind::Text).setValue(ui->edtCrcContador->text());
        p.add(QStringLiteral("pRazao"), ParamKind::Text).setValue(razao);
        p.add(QStringLiteral("pCnpj"), ParamKind::Text).setValue(cnpj);
        p.add(QStringLiteral("pMunicipio"), ParamKind::Text).setValue(municipio);

        if (existe) {
            // The creation date stays as it was first written.
            cmd.setCommandText(QStringLiteral("Update ") + strTabela + QStringLiteral(" Set ")
                               + QStringLiteral("  Tipo_Protocolo = :pTipoProtocolo")
                               + QStringLiteral(" ,Tipo_Entrega = :pTipoEntrega")
                               + QStringLiteral(" ,Exercicio = :pExercicio")
                               + QStringLiteral(" ,Inscricao = :pInscricao")
                               + QStringLiteral(" ,Crc = :pCrc")
                               + QStringLiteral(" ,Responsavel = :pResponsavel")
                               + QStringLiteral(" ,Razao = :pRazao")
                               + QStringLiteral(" ,Cnpj = :pCnpj")
                               + QStringLiteral(" ,Municipio = :pMunicipio")
                               + QStringLiteral(" Where Protocolo = :pProtocolo"));
        } else {
            // DtTransmissao stays null: the new protocol is open.
            cmd.setCommandText(QStringLiteral("Insert into ") + strTabela + QStringLiteral(" (")
                               + QStringLiteral(" PROTOCOLO, TIPO_PROTOCOLO, TIPO_ENTREGA, ")
                               + QStringLiteral(" EXERCICIO, INSCRICAO, DTGERACAO, CRC,")
                               + QStringLiteral(" RESPONSAVEL, RAZAO, CNPJ, MUNICIPIO ")
                               + QStringLiteral(" ) Values (")
                               + QStringLiteral(" :pProtocolo, :pTipoProtocolo, :pTipoEntrega,")
                               + QStringLiteral(" :pExercicio, :pInscricao, :pDtGeracao, :pCrc, ")
                               + QStringLiteral(" :pResponsavel, :pRazao, :pCnpj, :pMunicipio ")
                               + QStringLiteral(")"));
        }
        cmd.execute();
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
        return;
    }
    orva::prompts().information(QStringLiteral("Registro Gravado !"));
    Funcoes::LimpaCampos(this);
}

void TfrmProtocolo::ApagaProtocolo()
{
    const QString numero = ui->edtProtocolo->text();
    try {
        if (Consulta(QStringLiteral("Select * From Notas Where Protocolo = ") + numero)) {
            ADOQuery().close();
            orva::prompts().warning(QStringLiteral("Este protocolo não pode ser apagado, pois tem Notas vinculadas !"));
            return;
        }
        if (Consulta(QStringLiteral("Select * From Rateio Where Protocolo = ") + numero)) {
            ADOQuery().close();
            orva::prompts().warning(
                QStringLiteral("Este protocolo não pode ser apagado, pois tem Rateios vinculados !"));
            return;
        }
        ADOQuery().close();
        orva::db::Command &cmd = ADOCommand();
        cmd.parameters().clear();
        cmd.setCommandText(QStringLiteral("Delete From Protocolo Where Protocolo = ") + numero);
        cmd.execute();
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
        return;
    }
    Funcoes::LimpaCampos(this);
}

void TfrmProtocolo::ReabreProtocolo()
{
    const QString numero = ui->edtProtocolo->text();
    if (numero.isEmpty()) {
        orva::prompts().warning(QStringLiteral("Informe o número do protocolo que será reaberto."));
        return;
    }
    try {
        const bool existe = Consulta(QStringLiteral("Select * From Protocolo Where Protocolo = ") + numero);
        ADOQuery().close();
        if (!existe) {
            orva::prompts().warning(QStringLiteral("O protocolo %1 não existe: nada foi reaberto.\n"
                                                   "Confira o número do protocolo.")
                                        .arg(numero));
            return;
        }
        orva::db::Command &cmd = ADOCommand();
        cmd.parameters().clear();
        cmd.setCommandText(QStringLiteral("Update Protocolo Set ") + QStringLiteral(" DTTRANSMISSAO = null")
                           + QStringLiteral(" Where Protocolo = ") + numero);
        cmd.execute();
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
        return;
    }
    orva::prompts().information(QStringLiteral("Protocolo ReAberto com sucesso !"));
    Funcoes::LimpaCampos(this);
}

// --- Buttons ----------------------------------------------------------------

void TfrmProtocolo::btnNovoClick()
{
    ui->edtProtocolo->setEnabled(true);
    Funcoes::LimpaCampos(this);
    const QString proximo = Funcoes::ProximoCodigo(QStringLiteral("Protocolo"), QStringLiteral("Protocolo"));
    if (proximo.size() > ui->edtProtocolo->maxLength()) {
        // The field (and the declaration file) hold four digits: a fifth would
        // be cut off and the save would overwrite another protocol.
        orva::prompts().information(QStringLiteral("O limite de 9999 protocolos foi atingido: não é possível "
                                                   "criar outro. Apague protocolos que não serão mais usados."));
        return;
    }
    ui->edtProtocolo->setText(proximo);
    ui->edtProtocolo->setEnabled(false);
    ui->edtTipoEntrega->setFocus(Qt::OtherFocusReason);
}

void TfrmProtocolo::btnSalvarClick()
{
    const QString falta = Funcoes::VerificaCampos(this);
    if (!falta.isEmpty()) {
        orva::prompts().information(QStringLiteral("Falta o Dados do Campo ") + falta);
        return;
    }
    GravaProtocolo();
}

void TfrmProtocolo::btnConsultaClick()
{
    if (!frmConsulta)
        return;
    frmConsulta->DefineTabela(strTabela);
    frmConsulta->Executa();
    ui->edtProtocolo->setText(Funcoes::RetornoCodigo);
    edtProtocoloExit();
}

void TfrmProtocolo::btnApagarClick()
{
    if (ui->edtInscricao->text().isEmpty())
        return;
    if (orva::prompts().question(QStringLiteral("ATENÇÃO"), QStringLiteral("Deseja mesmo Apagar o registro atual ?"),
                                 orva::Prompts::Icon::Warning, orva::Prompts::Button::Yes))
        ApagaProtocolo();
}

void TfrmProtocolo::btnFecharClick() { reject(); }

void TfrmProtocolo::btnReAbrirClick() { ReabreProtocolo(); }

void TfrmProtocolo::btnConsTipoEntregaClick()
{
    if (!frmConsulta)
        return;
    frmConsulta->DefineTabela(QStringLiteral("Tipo_Entrega"));
    frmConsulta->DefineAutoConsulta(1);
    frmConsulta->Executa();
    ui->edtTipoEntrega->setText(Funcoes::RetornoCodigo);
    edtTipoEntregaExit();
}

void TfrmProtocolo::btnConsEmpresaClick()
{
    if (!frmConsulta)
        return;
    frmConsulta->DefineTabela(QStringLiteral("Empresa"));
    frmConsulta->DefineAutoConsulta(1);
    frmConsulta->Executa();
    ui->edtInscricao->setText(Funcoes::RetornoCodigo);
    edtInscricaoExit();
}

// --- Fields -----------------------------------------------------------------

void TfrmProtocolo::edtProtocoloExit()
{
    if (!ui->edtProtocolo->text().isEmpty())
        CarregaProtocolo();
}

void TfrmProtocolo::edtTipoEntregaExit()
{
    if (!ui->edtTipoEntrega->text().isEmpty())
        ui->lblNomeTipoEntrega->setText(Funcoes::BuscaDescricao(QStringLiteral("Tipo_Entrega"), QStringLiteral("Codigo"),
                                                                ui->edtTipoEntrega->text(),
                                                                QStringLiteral("Descricao")));
    if (ui->lblNomeTipoEntrega->text() == kNaoCadastrado)
        ui->edtTipoEntrega->clear();
}

void TfrmProtocolo::edtInscricaoExit()
{
    if (ui->edtInscricao->text().isEmpty())
        return;
    ui->edtInscricao->setText(Funcoes::ZerosEsquerda(ui->edtInscricao->text(), ui->edtInscricao->maxLength()));

    bool valida = false;
    try {
        valida = Funcoes::ValidaInscricao(ui->edtInscricao->text());
    } catch (const orva::Error &) {
        // A character that is not a digit: as invalid as a wrong check digit.
    }
    if (!valida) {
        orva::prompts().information(QStringLiteral("Inscrição Estadual Invalida !"));
        orva::ui::focusLater(ui->edtInscricao);
        return;
    }

    ui->lblNomeEmpresa->setText(Funcoes::BuscaDescricao(QStringLiteral("Empresa"), QStringLiteral("Inscricao"),
                                                        ui->edtInscricao->text(), QStringLiteral("Razao")));
    if (ui->lblNomeEmpresa->text() == kNaoCadastrado)
        ui->edtInscricao->clear();
    else
        VerificaProtocoloAberto();
}

void TfrmProtocolo::edtResponsavelExit() { ui->edtResponsavel->setText(ui->edtResponsavel->text().toUpper()); }

// --- Controls ---------------------------------------------------------------

QLineEdit *TfrmProtocolo::edtResponsavel() const { return ui->edtResponsavel; }
QLineEdit *TfrmProtocolo::edtInscricao() const { return ui->edtInscricao; }
QLineEdit *TfrmProtocolo::edtCrcContador() const { return ui->edtCrcContador; }
QLineEdit *TfrmProtocolo::edtTipoEntrega() const { return ui->edtTipoEntrega; }
QLineEdit *TfrmProtocolo::edtProtocolo() const { return ui->edtProtocolo; }
QToolButton *TfrmProtocolo::btnConsTipoEntrega() const { return ui->btnConsTipoEntrega; }
QLabel *TfrmProtocolo::lblNomeTipoEntrega() const { return ui->lblNomeTipoEntrega; }
QToolButton *TfrmProtocolo::btnConsEmpresa() const { return ui->btnConsEmpresa; }
QLabel *TfrmProtocolo::lblNomeEmpresa() const { return ui->lblNomeEmpresa; }
QPushButton *TfrmProtocolo::btnReAbrir() const { return ui->btnReAbrir; }
QTabWidget *TfrmProtocolo::PageControl1() const { return ui->PageControl1; }
QFrame *TfrmProtocolo::pnlComplementares() const { return ui->pnlComplementares; }
QLineEdit *TfrmProtocolo::edtTipoProtocolo() const { return ui->edtTipoProtocolo; }
QLabel *TfrmProtocolo::lblNomeTipoProtocolo() const { return ui->lblNomeTipoProtocolo; }
QLineEdit *TfrmProtocolo::edtDataCricao() const { return ui->edtDataCricao; }
QLineEdit *TfrmProtocolo::edtDataTransmissao() const { return ui->edtDataTransmissao; }
QLineEdit *TfrmProtocolo::edtQtdeNota() const { return ui->edtQtdeNota; }
QLineEdit *TfrmProtocolo::edtValorNota() const { return ui->edtValorNota; }
QLineEdit *TfrmProtocolo::edtQtdeMunicipio() const { return ui->edtQtdeMunicipio; }
QLineEdit *TfrmProtocolo::edtValorEntrada() const { return ui->edtValorEntrada; }
QLineEdit *TfrmProtocolo::edtValorSaida() const { return ui->edtValorSaida; }
QLineEdit *TfrmProtocolo::edtCnpj() const { return ui->edtCnpj; }
QLineEdit *TfrmProtocolo::edtMunicipio() const { return ui->edtMunicipio; }
QLineEdit *TfrmProtocolo::edtRazaoSocial() const { return ui->edtRazaoSocial; }
QPushButton *TfrmProtocolo::btnNovo() const { return ui->btnNovo; }
QPushButton *TfrmProtocolo::btnSalvar() const { return ui->btnSalvar; }
QPushButton *TfrmProtocolo::btnConsulta() const { return ui->btnConsulta; }
QPushButton *TfrmProtocolo::btnApagar() const { return ui->btnApagar; }
QPushButton *TfrmProtocolo::btnFechar() const { return ui->btnFechar; }
