#include "comandos.h"

#include "common/errors.h"
#include "common/prompts.h"
#include "shell/dtmdados.h"
#include "shell/funcoes.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTextStream>

namespace {

// Without windows: messages go to stderr, questions take their default answer.
class ConsolePrompts : public orva::Prompts {
public:
    void information(const QString &text) override { print(text); }
    void error(const QString &text) override { print(text); }
    void warning(const QString &text) override { print(text); }
    bool question(const QString &, const QString &text, Icon, Button defaultButton) override
    {
        print(text);
        return defaultButton == Button::Yes;
    }
    int execModal(QDialog &) override { return 0; }
    void beep() override {}
    QString openFileName(const QString &, const QString &, const QString &) override { return {}; }
    QString saveFileName(const QString &, const QString &, const QString &) override { return {}; }
    bool runProgram(const QString &, const QStringList &, const QString &) override { return false; }
    void printPreview(const QString &, const std::function<void(QPrinter *)> &) override {}

private:
    static void print(const QString &text) { QTextStream(stderr) << text << Qt::endl; }
};

void ajuda()
{
    QTextStream out(stdout);
    out << "Uso: orva-cli [--dir PASTA_DO_PROGRAMA] COMANDO [OPÇÕES]\n"
           "     orva-cli --help | --version\n\n"
           "Operações do ORVA sem janelas. Sem --dir, a pasta do programa é a do orva-cli;\n"
           "instalado para todos os usuários, é a pasta de cada usuário (~/.local/share/orva).\n\n"
           "Comandos:\n";
    for (const auto &c : orva::cli::comandos())
        out << "  " << c.uso << '\n';
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orva-cli"));
    // Amounts and dates in the program's own regional form, whatever the shell's.
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    ConsolePrompts console;
    orva::setPrompts(&console);

    QStringList args = app.arguments().mid(1);
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
            return orva::cli::falha(QStringLiteral("Opção desconhecida: %1. Use --help para ver os comandos.").arg(opcao));
    }
    Funcoes::DefineDiretorioSistema(pasta);
    if (args.isEmpty())
        return orva::cli::falha(QStringLiteral("Informe um comando. Use --help para ver os comandos."));
    const QString nome = args.takeFirst();
    for (const auto &c : orva::cli::comandos()) {
        if (c.nome != nome)
            continue;
        try {
            const int status = c.executa(args);
            dtmDados = nullptr;
            return status;
        } catch (const std::exception &e) {
            dtmDados = nullptr;
            const auto *error = dynamic_cast<const orva::Error *>(&e);
            return orva::cli::falha(error ? error->message() : QString::fromLocal8Bit(e.what()));
        }
    }
    return orva::cli::falha(QStringLiteral("Comando desconhecido: %1. Use --help para ver os comandos.").arg(nome));
}
