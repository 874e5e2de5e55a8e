// ClienteORVA: lists the packed declarations of an origin folder, delivers
// them to the receiving server and keeps, prints and fetches the receipts.
// Started by the entry program's export with its "enviar" folder, or by hand.
#include "janelas/frm_main.h"

#include "client/configuracao.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    // Qt's own Brazilian texts, so standard buttons read "Sim" / "Não".
    auto *traducao = new QTranslator(&app);
    if (traducao->load(QStringLiteral("qtbase_pt_BR"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(traducao);

    const QStringList argumentos = QCoreApplication::arguments();
    const QString origem = argumentos.size() > 1 ? argumentos.at(1) : QString();
    const auto frm_main = Tfrm_main::Inicia(QCoreApplication::applicationDirPath(),
                                            orva::cliente::arquivoConfiguracao(QCoreApplication::applicationFilePath()),
                                            origem);
    frm_main->show();
    return app.exec();
}
