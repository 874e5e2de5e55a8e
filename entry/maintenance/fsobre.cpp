#include "fsobre.h"
#include "ui_fsobre.h"

#include "common/prompts.h"

#include <QEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
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

QPixmap logotipo(int lado)
{
    QPixmap pixmap(lado, lado);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF quadro(1, 1, lado - 2, lado - 2);
    QLinearGradient fundo(quadro.topLeft(), quadro.bottomRight());
    fundo.setColorAt(0, QColor(0x1f, 0x5f, 0xa8));
    fundo.setColorAt(1, QColor(0x0b, 0x2f, 0x5e));
    p.setPen(Qt::NoPen);
    p.setBrush(fundo);
    p.drawRoundedRect(quadro, lado * 0.18, lado * 0.18);

    // A value shared out in slices: the apportionment the system declares.
    const QRectF pizza = quadro.adjusted(lado * 0.16, lado * 0.16, -lado * 0.16, -lado * 0.16);
    const struct {
        int inicio, extensao;
        QColor cor;
    } fatias[] = {{90, 150, QColor(0xf2, 0xc1, 0x2e)}, {240, 80, QColor(0xff, 0xff, 0xff)}, {320, 130, QColor(0x7c, 0xc5, 0x76)}};
    for (const auto &f : fatias) {
        p.setBrush(f.cor);
        p.setPen(QPen(QColor(0x0b, 0x2f, 0x5e), lado * 0.025));
        p.drawPie(pizza, f.inicio * 16, f.extensao * 16);
    }
    return pixmap;
}

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
