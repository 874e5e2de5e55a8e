// Writes the programs' icon (orva::icone) as PNG
// files of the given sizes: orva-icone PASTA TAMANHO... gives PASTA/TAMANHO.png;
// orva-icone --ico ARQUIVO TAMANHO... gives one Windows icon holding them all.
#include "common/emblema.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QtEndian>

#include <cstdio>

namespace {

using orva::icone;

template <typename T> void acrescenta(QByteArray &saida, T valor)
{
    const T le = qToLittleEndian(valor);
    saida.append(reinterpret_cast<const char *>(&le), sizeof le);
}

// An ICO file whose images are PNG streams, as Windows reads them since Vista.
bool gravaIco(const QString &arquivo, const QList<int> &lados)
{
    QList<QByteArray> pngs;
    for (int lado : lados) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!icone(lado).save(&buffer, "PNG"))
            return false;
        pngs << png;
    }
    QByteArray saida;
    acrescenta<quint16>(saida, 0); // reserved
    acrescenta<quint16>(saida, 1); // an icon
    acrescenta<quint16>(saida, static_cast<quint16>(lados.size()));
    quint32 posicao = 6 + 16 * static_cast<quint32>(lados.size());
    for (qsizetype i = 0; i < lados.size(); ++i) {
        const quint8 lado = lados[i] >= 256 ? 0 : static_cast<quint8>(lados[i]); // 0 means 256
        saida.append(static_cast<char>(lado)).append(static_cast<char>(lado)).append('\0').append('\0');
        acrescenta<quint16>(saida, 1);  // colour planes
        acrescenta<quint16>(saida, 32); // bits per pixel
        acrescenta<quint32>(saida, static_cast<quint32>(pngs[i].size()));
        acrescenta<quint32>(saida, posicao);
        posicao += static_cast<quint32>(pngs[i].size());
    }
    for (const QByteArray &png : pngs)
        saida += png;
    QFile destino(arquivo);
    return destino.open(QIODevice::WriteOnly) && destino.write(saida) == saida.size() && destino.flush();
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool ico = !args.isEmpty() && args.first() == QLatin1String("--ico");
    if (ico)
        args.removeFirst();
    if (args.size() < 2) {
        std::fprintf(stderr, "Uso: orva-icone PASTA TAMANHO... | orva-icone --ico ARQUIVO TAMANHO...\n");
        return 2;
    }
    QList<int> lados;
    for (const QString &tamanho : args.mid(1)) {
        const int lado = tamanho.toInt();
        if (lado <= 0 || lado > 256)
            return 2;
        lados << lado;
    }
    if (ico)
        return gravaIco(args.first(), lados) ? 0 : 1;
    QDir().mkpath(args.first());
    for (int lado : lados)
        if (!icone(lado).save(QDir(args.first()).filePath(QString::number(lado) + QStringLiteral(".png"))))
            return 1;
    return 0;
}
