#include "fsobre.h"
#include "ui_fsobre.h"

#include "common/emblema.h"
#include "common/prompts.h"

#include <QEvent>
#include <QScreen>
#include <QStringList>

namespace orva::sobre {

QString parteVersao(int parte) { return QString::number(parte + 100).mid(2, 2); }

QString textoVersao(const QString &versao)
{
    const QStringList partes = versao.split(QLatin1Char('.'));
    QStringList texto;
    for (int i = 0; i < 4; ++i)
        texto << parteVersao(partes.value(i).toInt());
    return texto.join(QLatin1Char('.'));
}

QString versaoPrograma() { return QStringLiteral(ORVA_VERSION); }

QPixmap logotipo(int lado) { return QPixmap::fromImage(orva::icone(lado)); }

} // namespace orva::sobre

TFSobre::TFSobre(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::FSobre>())
{
    ui->setupUi(this);
    ui->Image1->setPixmap(orva::sobre::logotipo(64));
    ui->Panel1->setBackgroundRole(QPalette::Base);
    connect(ui->btnOk, &QPushButton::clicked, this, &QDialog::accept);
    // Enter (and Esc) close the box, wherever the focus is in it.
    ui->btnOk->setDefault(true);
    ui->btnOk->setFocus(Qt::OtherFocusReason);
}

TFSobre::~TFSobre() = default;

void TFSobre::Abre(QWidget *parent)
{
    TFSobre frm(parent);
    orva::prompts().execModal(frm);
}

QLabel *TFSobre::Label6() const { return ui->Label6; }
QTabWidget *TFSobre::PageControl1() const { return ui->PageControl1; }

bool TFSobre::event(QEvent *event)
{
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return handled;
}

void TFSobre::FormActivate()
{
    const QScreen *tela = screen();
    const int topo = tela ? tela->geometry().top() : 0;
    move(x(), topo + 65);
    ui->Label6->setText(QStringLiteral("Versão: ") + orva::sobre::textoVersao(orva::sobre::versaoPrograma()));
}
