#include "frmdownload.h"

#include "ui_frmdownload.h"

#include "common/prompts.h"

#include <QFocusEvent>
#include <QShowEvent>

TFrmDownload::TFrmDownload(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::FrmDownload>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    ui->ComboBox2->setEditText(QStringLiteral("2015"));
    ui->LabeledEdit1->installEventFilter(this);
    ui->LabeledEdit2->installEventFilter(this);
    connect(ui->BitBtn1, &QPushButton::clicked, this, &TFrmDownload::BitBtn1Click);
    // Enter answers "Efetuar Download" from the fields, and the button with
    // the focus from a button.
    ui->BitBtn1->setAutoDefault(true);
    ui->BitBtn1->setDefault(true);
}

void TFrmDownload::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    ui->LabeledEdit1->setFocus(Qt::OtherFocusReason);
    ui->LabeledEdit1->selectAll();
}

TFrmDownload::~TFrmDownload() = default;

QLineEdit *TFrmDownload::LabeledEdit1() const { return ui->LabeledEdit1; }
QLineEdit *TFrmDownload::LabeledEdit2() const { return ui->LabeledEdit2; }
QComboBox *TFrmDownload::ComboBox2() const { return ui->ComboBox2; }
QPushButton *TFrmDownload::BitBtn1() const { return ui->BitBtn1; }

bool TFrmDownload::eventFilter(QObject *watched, QEvent *event)
{
    // Leaving a field for another control of this dialog; not when another
    // window merely becomes active.
    if (event->type() == QEvent::FocusOut) {
        const Qt::FocusReason motivo = static_cast<QFocusEvent *>(event)->reason();
        if (motivo == Qt::TabFocusReason || motivo == Qt::BacktabFocusReason || motivo == Qt::MouseFocusReason
            || motivo == Qt::OtherFocusReason) {
            if (watched == ui->LabeledEdit1)
                LabeledEdit1Exit();
            else if (watched == ui->LabeledEdit2)
                LabeledEdit2Exit();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFrmDownload::LabeledEdit1Exit()
{
    // An empty field becomes fourteen zeros.
    ui->LabeledEdit1->setText(ui->LabeledEdit1->text().rightJustified(14, QLatin1Char('0')));
}

void TFrmDownload::LabeledEdit2Exit()
{
    ui->LabeledEdit2->setText(ui->LabeledEdit2->text().rightJustified(4, QLatin1Char('0')));
}

void TFrmDownload::BitBtn1Click()
{
    // Enter in a field presses the button without leaving the field: the
    // field is completed as leaving it would.
    if (ui->LabeledEdit1->hasFocus())
        LabeledEdit1Exit();
    else if (ui->LabeledEdit2->hasFocus() && !ui->LabeledEdit2->text().isEmpty())
        LabeledEdit2Exit();
    // Taken before the check: closing the dialog afterwards still fetches
    // with what was typed.
    m_inscricao = ui->LabeledEdit1->text();
    m_exercicioProtocolo = ui->ComboBox2->currentText() + ui->LabeledEdit2->text();
    if (ui->ComboBox2->currentText().isEmpty() || ui->LabeledEdit1->text().isEmpty()
        || ui->LabeledEdit2->text().isEmpty()) {
        orva::prompts().information(QStringLiteral("Falta informações"));
        return;
    }
    accept();
}
