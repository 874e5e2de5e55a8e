// ClienteORVA: lists the packed declarations of an origin folder, delivers
// them to the receiving server and keeps, prints and fetches the receipts.
// Started by the entry program's export with its "enviar" folder, or by hand.
#include "common/acessibilidade.h"
#include "common/emblema.h"
#include "common/focovisivel.h"
#include "common/janeladona.h"
#include "janelas/frm_main.h"

#include "client/configuracao.h"
#include "client/declaracoes.h"
#include "common/pastaprograma.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("ClienteORVA %s\n", ORVA_VERSION);
        return 0;
    }
    QApplication app(argc, argv);
    orva::apresentaPrograma(QStringLiteral("ClienteORVA"), QStringLiteral("org.orva.ClienteORVA"));
    orva::instalaFocoVisivel(); // the button Space would press is plain to see
    orva::instalaNomesAcessiveis(); // a screen reader names every control
    // Qt's own Brazilian texts, so standard buttons read "Sim" / "Não".
    auto *traducao = new QTranslator(&app);
    if (traducao->load(QStringLiteral("qtbase_pt_BR"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(traducao);

    const QStringList argumentos = QCoreApplication::arguments();
    QString pasta = QCoreApplication::applicationDirPath();
    QString ini = orva::cliente::arquivoConfiguracao(QCoreApplication::applicationFilePath());
    QString padrao; // the origin without an argument: none in a program folder
    // Installed for all users: settings and receipts go to the user's program
    // folder, where the archiver is linked as the entry program links it; the
    // menu starts the client without an argument, on the user's "enviar".
    if (orva::pastaprograma::instalada(pasta)) {
        const QString usuario = orva::pastaprograma::doUsuario();
        QDir().mkpath(usuario + QStringLiteral("/ClienteOrvaDATP/recv"));
        QDir().mkpath(usuario + QStringLiteral("/enviar"));
        orva::pastaprograma::ligaProgramas(usuario, QDir(pasta).filePath(QStringLiteral("..")), nullptr);
        pasta = usuario + QStringLiteral("/ClienteOrvaDATP");
        ini = orva::cliente::configuracaoDaPasta(pasta);
        padrao = usuario + QStringLiteral("/enviar/");
    }
    const auto partida = orva::cliente::partidaDoArgumento(argumentos.value(1), padrao);
    const auto frm_main = Tfrm_main::Inicia(pasta, ini, partida.origem, partida.declaracao);
    frm_main->ficaSobre(qEnvironmentVariable(orva::kJanelaDona).toULongLong());
    frm_main->show();
    return app.exec();
}
