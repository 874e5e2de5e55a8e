#include "common/prompts.h"
#include "shell/aplicacao.h"
#include "shell/frmprincipal.h"
#include "shell/inicio.h"

#include <QScreen>

int main(int argc, char **argv)
{
    OrvaApplication app(argc, argv);
    orva::setApplicationTitle(QStringLiteral("ORVA 2016 - Tessaria"));
    orva::loadPortugueseTranslations(app);

    const auto objetos = IniciaPrograma();
    if (!objetos)
        return 0;
    // Without a window manager "maximised" means nothing: fill the screen.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        objetos->frmPrincipal->setGeometry(screen->availableGeometry());
    objetos->frmPrincipal->showMaximized();
    return app.exec();
}
