// Writes the programs' icon (the client's emblem centred on a square) as PNG
// files of the given sizes: orva-icone PASTA TAMANHO... gives PASTA/TAMANHO.png.
#include "janelas/emblema.h"

#include <QDir>
#include <QGuiApplication>
#include <QPainter>

#include <cstdio>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2) {
        std::fprintf(stderr, "Uso: orva-icone PASTA TAMANHO...\n");
        return 2;
    }
    QDir().mkpath(args.first());
    for (const QString &tamanho : args.mid(1)) {
        const int lado = tamanho.toInt();
        if (lado <= 0)
            return 2;
        const QImage emblema = orva::cliente::Emblema(lado);
        QImage icone(lado, lado, QImage::Format_ARGB32_Premultiplied);
        icone.fill(Qt::transparent);
        QPainter(&icone).drawImage((lado - emblema.width()) / 2, 0, emblema);
        if (!icone.save(QDir(args.first()).filePath(tamanho + QStringLiteral(".png"))))
            return 1;
    }
    return 0;
}
