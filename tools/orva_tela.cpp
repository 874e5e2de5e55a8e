// Saves what the X display shows as a PNG file: orva-tela ARQUIVO.png. The
// pictures of the Windows programs running under Wine come from here.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "Uso: orva-tela ARQUIVO.png\n");
        return 2;
    }
    QScreen *tela = QGuiApplication::primaryScreen();
    return tela && tela->grabWindow(0).save(args.at(1), "PNG") ? 0 : 1;
}
