#include "comandos.h"
#include "resposta.h"

#include "common/errors.h"
#include "common/messages.h"
#include "common/plataforma/console.h"
#include "core/shell/funcoesbase.h"
#include "core/shell/instalacao.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTextStream>

#include <algorithm>

namespace {

void ajuda()
{
    QTextStream out(stdout);
    out << "Uso: orva-cli [--dir PASTA_DO_PROGRAMA] [--json] COMANDO [OPÇÕES]\n"
           "     orva-cli --help | --version\n\n"
           "Operações do ORVA sem janelas. Sem --dir, a pasta do programa é a do orva-cli;\n"
           "instalado para todos os usuários, é a pasta de cada usuário (~/.local/share/orva).\n\n"
           "Com --json (antes do comando ou entre as opções), a resposta é um só objeto JSON\n"
           "em stdout: {\"comando\", \"ok\", \"saida\", \"mensagens\"} e o resultado do comando\n"
           "(arquivos gravados, protocolo, comprovante...); validate e import põem essas chaves\n"
           "no objeto do relatório. Sem --json, as mensagens vão para stderr e o resultado\n"
           "para stdout.\n\n"
           "Saída (código de retorno):\n"
           "  0  feito e conferido (gravado no banco ou no disco)\n"
           "  1  recusado ou falhou (opção, protocolo ou arquivo inválido, erros de validação,\n"
           "     falha do banco ou do servidor): o motivo e o que fazer estão nas mensagens\n"
           "  2  import: parte das notas não foi gravada (as outras ficaram)\n"
           "  3  import: tudo importado, mas a compactação falhou\n\n"
           "Comandos:\n";
    // Commands register themselves in no set order: listed by name.
    auto comandos = orva::cli::comandos();
    std::sort(comandos.begin(), comandos.end(), [](const auto &a, const auto &b) { return a.nome < b.nome; });
    for (const auto &c : comandos)
        out << "  " << c.uso << '\n';
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orva-cli"));
    orva::plataforma::consoleUtf8();
    // Amounts and dates in the program's own regional form, whatever the shell's.
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    // Messages go to the answer (stderr, and the JSON object with --json);
    // questions take their default answer.
    orva::TextMessages console([](const QString &texto) { orva::cli::Resposta::atual().mensagem(texto); });
    orva::setMessages(&console);

    QStringList args = app.arguments().mid(1);
    // --json may stand before the command or among its options.
    const bool json = args.removeAll(QStringLiteral("--json")) > 0;
    auto &resposta = orva::cli::Resposta::atual();
    resposta.inicia(QString(), json);
    QString pasta; // the default program folder unless --dir names one
    while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
        const QString opcao = args.takeFirst();
        if (opcao == QLatin1String("--help") || opcao == QLatin1String("-h")) {
            ajuda();
            return 0;
        }
        if (opcao == QLatin1String("--version")) {
            QTextStream(stdout) << "orva-cli " << ORVA_VERSION << Qt::endl;
            return 0;
        }
        if (opcao == QLatin1String("--dir") && !args.isEmpty())
            pasta = args.takeFirst();
        else if (opcao.startsWith(QLatin1String("--dir=")))
            pasta = opcao.mid(6);
        else
            return resposta.termina(
                orva::cli::falha(QStringLiteral("Opção desconhecida: %1. Use --help para ver os comandos.").arg(opcao)));
    }
    Funcoes::DefineDiretorioSistema(pasta);
    if (args.isEmpty())
        return resposta.termina(orva::cli::falha(QStringLiteral("Informe um comando. Use --help para ver os comandos.")));
    const QString nome = args.takeFirst();
    resposta.inicia(nome, json);
    for (const auto &c : orva::cli::comandos()) {
        if (c.nome != nome)
            continue;
        // Any command or subcommand shows its usage, touching nothing.
        if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
            QTextStream(stdout) << "Uso: orva-cli " << c.uso << '\n';
            return 0;
        }
        int status;
        try {
            // Installed for every user, the user's own folder is prepared on
            // first use, as the entry program does (init prepares it itself).
            if (pasta.isEmpty() && nome != QLatin1String("init"))
                orva::install::prepareInstalledProgramFolder();
            status = c.executa(args);
        } catch (const std::exception &e) {
            const auto *error = dynamic_cast<const orva::Error *>(&e);
            status = orva::cli::falha(error ? error->message() : QString::fromLocal8Bit(e.what()));
        }
        return resposta.termina(status);
    }
    return resposta.termina(
        orva::cli::falha(QStringLiteral("Comando desconhecido: %1. Use --help para ver os comandos.").arg(nome)));
}
