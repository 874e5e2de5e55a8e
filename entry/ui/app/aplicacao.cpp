#include "aplicacao.h"

#include "common/acessibilidade.h"
#include "common/focovisivel.h"
#include "ui/shell/funcoes.h"

#include <QLibraryInfo>
#include <QTranslator>

OrvaApplication::OrvaApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    orva::instalaFocoVisivel();
    orva::instalaNomesAcessiveis(); // a screen reader names every control
}

bool OrvaApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        Funcoes::TrataExcecao(e);
    } catch (...) {
        Funcoes::TrataExcecao(std::runtime_error("Erro desconhecido."));
    }
    return false;
}

namespace orva {

void loadPortugueseTranslations(QCoreApplication &app)
{
    auto *translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_pt_BR"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

} // namespace orva
