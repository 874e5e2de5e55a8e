#include "common/errors.h"
#include "shell/funcoes.h"
#include "shell/instalacao.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include <cstdio>

namespace {

int fail(const QString &message)
{
    QTextStream(stderr) << message << Qt::endl;
    return 1;
}

int init(const QString &folder)
{
    orva::install::createProgramFolder(folder);
    QTextStream(stdout) << QDir(folder).absoluteFilePath(QStringLiteral("orva.mdb")) << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orva-cli"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Operações do ORVA sem janelas.\n\n"
                                                    "Comandos:\n"
                                                    "  init    cria orva.mdb e as pastas numa pasta de programa vazia"));
    parser.addHelpOption();
    const QCommandLineOption dirOption(QStringLiteral("dir"), QStringLiteral("Pasta do programa (padrão: a pasta do orva-cli)."),
                                       QStringLiteral("PASTA"));
    parser.addOption(dirOption);
    parser.addPositionalArgument(QStringLiteral("comando"), QStringLiteral("init"));
    parser.process(app);

    const QString folder = parser.isSet(dirOption) ? parser.value(dirOption) : QCoreApplication::applicationDirPath();
    Funcoes::DefineDiretorioSistema(folder);

    const QStringList args = parser.positionalArguments();
    if (args.isEmpty())
        return fail(QStringLiteral("Informe um comando. Use --help para ver os comandos."));
    const QString command = args.first();
    try {
        if (command == QLatin1String("init") && args.size() == 1)
            return init(folder);
        return fail(QStringLiteral("Comando desconhecido: %1. Use --help para ver os comandos.").arg(args.join(QLatin1Char(' '))));
    } catch (const std::exception &e) {
        const auto *error = dynamic_cast<const orva::Error *>(&e);
        return fail(error ? error->message() : QString::fromLocal8Bit(e.what()));
    }
}
