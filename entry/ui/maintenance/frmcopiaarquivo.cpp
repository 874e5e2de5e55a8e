#include "frmcopiaarquivo.h"
#include "ui_frmcopiaarquivo.h"

#include "common/prompts.h"
#include "ui/shell/conventions.h"
#include "ui/shell/funcoes.h"

#include <QFile>
#include <QSaveFile>

TfrmCopiaArquivo::TfrmCopiaArquivo(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::frmCopiaArquivo>())
{
    ui->setupUi(this);
    // No title-bar buttons: "Fechar" closes the window.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    orva::ui::applyWindowConventions(this);

    connect(ui->btnFechar, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->btnConsArquivo, &QPushButton::clicked, this, &TfrmCopiaArquivo::btnConsArquivoClick);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &TfrmCopiaArquivo::BitBtn2Click);
    connect(ui->btnCopiaArquivo, &QPushButton::clicked, this, &TfrmCopiaArquivo::btnCopiaArquivoClick);
}

TfrmCopiaArquivo::~TfrmCopiaArquivo() = default;

void TfrmCopiaArquivo::Abre(QWidget *parent)
{
    TfrmCopiaArquivo frm(parent);
    orva::prompts().execModal(frm);
}

QLineEdit *TfrmCopiaArquivo::edtArquivo() const { return ui->edtArquivo; }
QPushButton *TfrmCopiaArquivo::btnConsArquivo() const { return ui->btnConsArquivo; }
QPushButton *TfrmCopiaArquivo::btnFechar() const { return ui->btnFechar; }
QPushButton *TfrmCopiaArquivo::BitBtn2() const { return ui->BitBtn2; }
QLineEdit *TfrmCopiaArquivo::EdtDestino() const { return ui->EdtDestino; }
QLabel *TfrmCopiaArquivo::lblDestino() const { return ui->lblDestino; }
QPushButton *TfrmCopiaArquivo::btnCopiaArquivo() const { return ui->btnCopiaArquivo; }

QString TfrmCopiaArquivo::filtroArquivos()
{
    return QStringLiteral("Arquivo de dados do Orva não Transmitidos (*.rar);;"
                          "Arquivo de dados do Orva ja Transmitidos (*.ra_);;"
                          "Todos os Arquivos (*)");
}

void TfrmCopiaArquivo::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TfrmCopiaArquivo::FormShow()
{
    // The copy proposes the archive the opener put in the field.
    m_arquivoDestino = ui->edtArquivo->text();
}

void TfrmCopiaArquivo::btnConsArquivoClick()
{
    // The field takes what the dialog holds even after a cancel: the file
    // last picked in this window, or nothing.
    const QString escolhido = orva::prompts().openFileName(QStringLiteral("Abrir"),
                                                           Funcoes::DiretorioSistema() + QStringLiteral("enviar/"),
                                                           filtroArquivos());
    if (!escolhido.isEmpty())
        m_arquivoAberto = escolhido;
    ui->edtArquivo->setText(m_arquivoAberto);
}

void TfrmCopiaArquivo::BitBtn2Click()
{
    const QString escolhido = orva::prompts().saveFileName(QStringLiteral("Salvar como"), m_arquivoDestino, QString());
    if (!escolhido.isEmpty()) {
        m_arquivoDestino = escolhido;
        ui->EdtDestino->setText(escolhido);
    }
    ui->btnCopiaArquivo->setEnabled(true);
}

void TfrmCopiaArquivo::btnCopiaArquivoClick()
{
    const QString origem = ui->edtArquivo->text();
    const QString destino = ui->EdtDestino->text();
    if (destino.trimmed().isEmpty()) {
        orva::prompts().information(QStringLiteral("Selecione o Destino"));
        ui->EdtDestino->setFocus();
        return;
    }
    // The copy is written under a temporary name beside the destination and
    // takes its name only when complete, so a failed copy (a full or removed
    // diskette) leaves an existing destination file as it was.
    bool copiado = false;
    QFile entrada(origem);
    if (entrada.open(QIODevice::ReadOnly)) {
        QSaveFile saida(destino);
        if (saida.open(QIODevice::WriteOnly)) {
            copiado = true;
            QByteArray bloco(64 * 1024, Qt::Uninitialized);
            for (;;) {
                const qint64 n = entrada.read(bloco.data(), bloco.size());
                if (n == 0)
                    break;
                if (n < 0 || saida.write(bloco.constData(), n) != n) {
                    copiado = false;
                    break;
                }
            }
            if (copiado)
                copiado = saida.commit();
            else
                saida.cancelWriting();
        }
    }
    if (!copiado)
        orva::prompts().information(QStringLiteral("Erro ao copiar ") + origem + QStringLiteral(" para ") + destino);
    ui->btnCopiaArquivo->setEnabled(false);
}
