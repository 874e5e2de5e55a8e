#include "emblema.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPixmap>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace orva {
namespace {

// A five-pointed star centred on `centro`.
QPainterPath estrela(QPointF centro, double raio)
{
    QPainterPath p;
    for (int i = 0; i < 10; ++i) {
        const double r = (i % 2 == 0) ? raio : raio * 0.4;
        const double angulo = -M_PI / 2 + i * M_PI / 5;
        const QPointF ponto(centro.x() + r * std::cos(angulo), centro.y() + r * std::sin(angulo));
        if (i == 0)
            p.moveTo(ponto);
        else
            p.lineTo(ponto);
    }
    p.closeSubpath();
    return p;
}

// The shield's outline in a 240 x 280 box.
QPainterPath escudo(const QRectF &r)
{
    QPainterPath p;
    p.moveTo(r.left(), r.top());
    p.lineTo(r.right(), r.top());
    p.lineTo(r.right(), r.top() + r.height() * 0.55);
    p.cubicTo(r.right(), r.top() + r.height() * 0.82, r.center().x() + r.width() * 0.2, r.bottom() - r.height() * 0.06,
              r.center().x(), r.bottom());
    p.cubicTo(r.center().x() - r.width() * 0.2, r.bottom() - r.height() * 0.06, r.left(), r.top() + r.height() * 0.82,
              r.left(), r.top() + r.height() * 0.55);
    p.closeSubpath();
    return p;
}

} // namespace

QImage Emblema(int altura)
{
    const double escala = altura / 280.0;
    QImage imagem(QSize(qRound(240 * escala), altura), QImage::Format_ARGB32_Premultiplied);
    imagem.fill(Qt::transparent);
    QPainter p(&imagem);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(escala, escala);

    const QColor ouro(0xc9, 0xa2, 0x27), azul(0x1d, 0x4f, 0x91), verde(0x2e, 0x7d, 0x32);
    const QPainterPath contorno = escudo(QRectF(10, 10, 220, 260));
    const QPainterPath interno = escudo(QRectF(22, 22, 196, 234));

    p.fillPath(contorno, ouro);
    p.save();
    p.setClipPath(interno);
    // Sky over the fields.
    QLinearGradient ceu(0, 22, 0, 140);
    ceu.setColorAt(0, azul.lighter(120));
    ceu.setColorAt(1, azul);
    p.fillRect(QRectF(0, 0, 240, 140), ceu);
    // The rising sun on the horizon.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf4, 0xc4, 0x30));
    p.drawEllipse(QPointF(120, 140), 44, 44);
    p.setPen(QPen(QColor(0xf4, 0xc4, 0x30), 5, Qt::SolidLine, Qt::RoundCap));
    for (int i = 1; i < 8; ++i) {
        const double a = M_PI + i * M_PI / 8;
        p.drawLine(QPointF(120 + 52 * std::cos(a), 140 + 52 * std::sin(a)),
                   QPointF(120 + 70 * std::cos(a), 140 + 70 * std::sin(a)));
    }
    // The fields hide the lower half of the sun.
    p.fillRect(QRectF(0, 140, 240, 140), verde);
    // Two rivers across the fields.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 7, Qt::SolidLine, Qt::RoundCap));
    for (double y : {176.0, 206.0}) {
        QPainterPath rio;
        rio.moveTo(20, y);
        rio.cubicTo(70, y - 16, 100, y + 16, 140, y);
        rio.cubicTo(170, y - 12, 200, y + 12, 230, y);
        p.drawPath(rio);
    }
    p.restore();
    // The star above the sun.
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(estrela(QPointF(120, 58), 26));
    p.setPen(QPen(ouro.darker(130), 3));
    p.setBrush(Qt::NoBrush);
    p.drawPath(contorno);
    p.setPen(QPen(ouro.darker(115), 2));
    p.drawPath(interno);
    return imagem;
}

QImage icone(int lado)
{
    const QImage emblema = Emblema(lado);
    QImage imagem(lado, lado, QImage::Format_ARGB32_Premultiplied);
    imagem.fill(Qt::transparent);
    QPainter(&imagem).drawImage((lado - emblema.width()) / 2, 0, emblema);
    return imagem;
}

void apresentaPrograma(const QString &classe, const QString &entrada)
{
    QCoreApplication::setApplicationName(classe);
    QGuiApplication::setDesktopFileName(entrada);
    QGuiApplication::setWindowIcon(iconePrograma());
}

QIcon iconePrograma()
{
    QIcon icon;
    for (int lado : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(icone(lado)));
    return icon;
}

} // namespace orva
