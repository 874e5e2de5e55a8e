#include "common/emblema.h"
#include "common/errors.h"
#include "common/prompts.h"
#include "aplicacao.h"
#include "frmprincipal.h"
#include "inicio.h"
#include "core/shell/instalacao.h"

#include <QScreen>

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("Orva %s\n", ORVA_VERSION);
        return 0;
    }
    OrvaApplication app(argc, argv);
    orva::apresentaPrograma(QStringLiteral("Orva"), QStringLiteral("org.orva.Orva"));
    orva::setApplicationTitle(QStringLiteral("ORVA 2016 - Tessaria"));
    orva::loadPortugueseTranslations(app);
    try {
        orva::install::prepareInstalledProgramFolder();
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
        return 1;
    }

    const auto objetos = IniciaPrograma();
    if (!objetos)
        return 0;
    // Without a window manager "maximised" means nothing: fill the screen.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        objetos->frmPrincipal->setGeometry(screen->availableGeometry());
    objetos->frmPrincipal->showMaximized();
    return app.exec();
}
