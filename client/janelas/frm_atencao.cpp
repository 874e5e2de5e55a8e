#include "frm_atencao.h"

#include "ui_frm_atencao.h"

#include <QShowEvent>

Tfrm_atencao::Tfrm_atencao(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::frm_atencao>())
{
    ui->setupUi(this);
    // Stays above the main window while the delivery waits for the user.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    connect(ui->bt_ok, &QPushButton::clicked, this, &Tfrm_atencao::bt_okClick);
    connect(ui->bt_print, &QPushButton::clicked, this, &Tfrm_atencao::bt_printClick);
    connect(ui->bt_cancelar, &QPushButton::clicked, this, [this] {
        Limpa();
        reject();
    });
    // Enter and Space answer the button that has the focus; Enter elsewhere
    // (the text) answers the default one.
    for (QPushButton *botao : {ui->bt_ok, ui->bt_print, ui->bt_cancelar})
        botao->setAutoDefault(true);
    ui->bt_ok->setDefault(true);
    ui->bt_cancelar->hide();
}

void Tfrm_atencao::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    ui->bt_ok->setFocus(Qt::OtherFocusReason);
}

void Tfrm_atencao::pedeConfirmacao()
{
    ui->bt_cancelar->show();
}

Tfrm_atencao::~Tfrm_atencao() = default;

QLabel *Tfrm_atencao::Label1() const { return ui->Label1; }
QLabel *Tfrm_atencao::Label2() const { return ui->Label2; }
QPlainTextEdit *Tfrm_atencao::m1() const { return ui->m1; }
QPushButton *Tfrm_atencao::bt_ok() const { return ui->bt_ok; }
QPushButton *Tfrm_atencao::bt_print() const { return ui->bt_print; }
QPushButton *Tfrm_atencao::bt_cancelar() const { return ui->bt_cancelar; }

void Tfrm_atencao::defineLinhas(const QStringList &linhas)
{
    ui->m1->clear();
    for (const QString &linha : linhas)
        ui->m1->appendPlainText(linha);
    ui->m1->moveCursor(QTextCursor::Start);
}

QStringList Tfrm_atencao::linhas() const
{
    const QString texto = ui->m1->toPlainText();
    return texto.isEmpty() && ui->m1->document()->blockCount() <= 1 ? QStringList() : texto.split(QLatin1Char('\n'));
}

void Tfrm_atencao::Limpa()
{
    ui->m1->clear();
    ui->Label1->clear();
    ui->Label2->clear();
}

void Tfrm_atencao::bt_okClick()
{
    Limpa();
    accept();
}

void Tfrm_atencao::bt_printClick()
{
    if (m_imprime)
        m_imprime();
    Limpa();
    accept();
}
