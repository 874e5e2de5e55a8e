#include "frmprincipal.h"
#include "ui_frmprincipal.h"

#include "ui/entries/frmnotafiscal.h"
#include "ui/entries/frmrateio.h"
#include "ui/export/frmexportacao.h"
#include "ui/import/frmvalidacao.h"
#include "ui/maintenance/frmcopiaarquivo.h"
#include "ui/maintenance/fsobre.h"
#include "ui/maintenance/janelamanutencao.h"
#include "ui/registrations/frmempresa.h"
#include "ui/registrations/frmprotocolo.h"
#include "ui/registrations/frmtabela.h"
#include "core/shell/configuracao.h"
#include "ui/shell/funcoes.h"

#include <QTimer>

TfrmPrincipal::TfrmPrincipal(QWidget *parent) : QMainWindow(parent), ui(std::make_unique<Ui::frmPrincipal>())
{
    ui->setupUi(this);
    connect(ui->Empresa1, &QAction::triggered, this, &TfrmPrincipal::Empresa1Click);
    connect(ui->ProtocolodeTransmisso1, &QAction::triggered, this, &TfrmPrincipal::ProtocolodeTransmisso1Click);
    connect(ui->Importao1, &QAction::triggered, this, &TfrmPrincipal::Importao1Click);
    connect(ui->Exportao1, &QAction::triggered, this, &TfrmPrincipal::Exportao1Click);
    connect(ui->Rateio1, &QAction::triggered, this, &TfrmPrincipal::Rateio1Click);
    connect(ui->Compatacao1, &QAction::triggered, this, &TfrmPrincipal::Compatacao1Click);
    connect(ui->FazerCpiadeSegurana1, &QAction::triggered, this, &TfrmPrincipal::FazerCpiadeSegurana1Click);
    connect(ui->RestaurarCpiadeSegurana1, &QAction::triggered, this, &TfrmPrincipal::RestaurarCpiadeSegurana1Click);
    connect(ui->CopiarArquivoGeradoparaDisquete1, &QAction::triggered, this,
            &TfrmPrincipal::CopiarArquivoGeradoparaDisquete1Click);
    connect(ui->Reabriroprotocoloparaalteraes1, &QAction::triggered, this,
            &TfrmPrincipal::Reabriroprotocoloparaalteraes1Click);
    connect(ui->Sober1, &QAction::triggered, this, &TfrmPrincipal::Sober1Click);
    connect(ui->Sair1, &QAction::triggered, this, &TfrmPrincipal::Sair1Click);
    MostraMenusOpcionais();
}

// Orva.ini may offer the windows the shipped menus leave out: users with
// invoice protocols need a way in besides orva-cli import.
void TfrmPrincipal::MostraMenusOpcionais()
{
    const auto menus = orva::configuracao::lerMenus(Funcoes::DiretorioSistema());
    if (menus.notasFiscais) {
        QAction *notas = ui->Movimento1->addAction(QStringLiteral("&Notas Fiscais"));
        notas->setObjectName(QStringLiteral("NotasFiscais1"));
        connect(notas, &QAction::triggered, this, &TfrmPrincipal::NotasFiscais1Click);
    }
    if (menus.produtos) {
        QAction *produtos = new QAction(QStringLiteral("P&rodutos"), this);
        produtos->setObjectName(QStringLiteral("Produtos1"));
        ui->Cadastros1->insertAction(ui->Exportao1, produtos);
        connect(produtos, &QAction::triggered, this, &TfrmPrincipal::Produtos1Click);
    }
    ui->Importao1->setVisible(menus.importacao);
}

TfrmPrincipal::~TfrmPrincipal() = default;

void TfrmPrincipal::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

// The date format may have changed since start-up; without DD/MM/YYYY the
// program cannot read or write a date, so it ends.
void TfrmPrincipal::FormShow()
{
    if (!Funcoes::VerificaFormatoData())
        QTimer::singleShot(0, this, &QWidget::close);
}

// The windows behind these commands are wired in as they are written.
void TfrmPrincipal::Empresa1Click() { TfrmEmpresa::Abre(this); }
void TfrmPrincipal::ProtocolodeTransmisso1Click() { TfrmProtocolo::Abre(this); }
void TfrmPrincipal::Importao1Click() { TfrmValidacao::Abre(this); }
void TfrmPrincipal::Exportao1Click() { TfrmExportacao::Abre(this); }
void TfrmPrincipal::Rateio1Click() { TfrmRateio::Abre(); }
void TfrmPrincipal::Compatacao1Click() { orva::manutencao::executaNaJanela(orva::manutencao::Operacao::Compactacao); }
void TfrmPrincipal::FazerCpiadeSegurana1Click() { orva::manutencao::executaNaJanela(orva::manutencao::Operacao::Backup); }
void TfrmPrincipal::RestaurarCpiadeSegurana1Click()
{
    orva::manutencao::executaNaJanela(orva::manutencao::Operacao::Restauracao);
}
void TfrmPrincipal::CopiarArquivoGeradoparaDisquete1Click() { TfrmCopiaArquivo::Abre(this); }
void TfrmPrincipal::Reabriroprotocoloparaalteraes1Click() { TfrmProtocolo::AbreReabertura(this); }
void TfrmPrincipal::Sober1Click() { TFSobre::Abre(this); }
void TfrmPrincipal::NotasFiscais1Click() { TfrmNotaFiscal::Abre(this); }
void TfrmPrincipal::Produtos1Click() { TfrmTabela::AbreProdutos(this); }

void TfrmPrincipal::Sair1Click() { close(); }
