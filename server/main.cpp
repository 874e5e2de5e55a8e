#include "servidor.h"

#include "common/relogio.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QTextStream>

#include <csignal>
#include <cstdio>

// orva-datp-server: a receiving server for local trials and end-to-end tests.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::signal(SIGPIPE, SIG_IGN);
    QTextStream err(stderr);

    orva::servidor::Opcoes opcoes;
    opcoes.dados = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("datp-servidor"));
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        const bool temValor = i + 1 < args.size();
        bool ok = true;
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            QTextStream(stdout)
                << "Uso: orva-datp-server [--port N] [--data PASTA] [--banco CONEXAO] [--timeout SEGUNDOS]\n"
                   "                       [--notice-timeout SEGUNDOS]\n"
                   "                       [--max-size BYTES] [--budget BYTES] [--budget-per-address BYTES]\n"
                   "                       [--min-rate BYTES_POR_SEGUNDO]\n"
                   "                       [--max-clients N] [--max-per-address N] [--today DD/MM/AAAA]\n"
                   "       orva-datp-server --help | --version\n\n"
                   "Servidor de recepção DATP para testes locais: escuta em 127.0.0.1 (porta 4040; 0 = uma porta livre),\n"
                   "confere as declarações recebidas e guarda os comprovantes em PASTA/comprovantes.\n\n"
                   "  --banco            guarda os comprovantes no PostgreSQL (cadeia de conexão da libpq, como\n"
                   "                     \"host=/run/postgresql dbname=datp\" ou postgresql://servidor/datp; a senha\n"
                   "                     vem de ~/.pgpass ou de PGPASSWORD): vários servidores com o mesmo banco\n"
                   "                     atendem os comprovantes uns dos outros\n"
                   "  --timeout          prazo do primeiro byte e da linha de comando inteira, e prazo-base do\n"
                   "                     arquivo (padrão 10 s, 30 s e 60 s)\n"
                   "  --notice-timeout   espera entre o \"200\" e o arquivo, enquanto o usuário lê o aviso (900 s)\n"
                   "  --min-rate         passado o prazo-base, os bytes do arquivo devem chegar pelo menos\n"
                   "                     a esta taxa média, contada do primeiro byte (8192)\n"
                   "  --budget           total de bytes em recebimento ao mesmo tempo (4 GiB)\n"
                   "  --budget-per-address  bytes em recebimento de um mesmo endereço (um quarto de --budget)\n"
                   "  --max-size         maior arquivo aceito (1 GiB)\n"
                   "  --max-clients      clientes atendidos ao mesmo tempo (256)\n"
                   "  --max-per-address  clientes de um mesmo endereço ao mesmo tempo (8)\n"
                   "  --today            o dia que os comprovantes levam, para ensaios (a hora é a do relógio)\n";
            return 0;
        } else if (a == QLatin1String("--version")) {
            QTextStream(stdout) << "orva-datp-server " << ORVA_VERSION << Qt::endl;
            return 0;
        } else if (a == QLatin1String("--port") && temValor) {
            const uint porta = args.at(++i).toUInt(&ok);
            ok = ok && porta <= 65535;
            opcoes.porta = static_cast<quint16>(porta);
        } else if (a == QLatin1String("--data") && temValor) {
            opcoes.dados = args.at(++i);
        } else if (a == QLatin1String("--banco") && temValor) {
            opcoes.banco = args.at(++i);
            ok = !opcoes.banco.trimmed().isEmpty();
        } else if ((a == QLatin1String("--timeout") || a == QLatin1String("--notice-timeout")) && temValor) {
            const double segundos = args.at(++i).toDouble(&ok);
            ok = ok && segundos > 0 && segundos <= 86400;
            const std::chrono::milliseconds limite(static_cast<long long>(segundos * 1000));
            if (a == QLatin1String("--notice-timeout"))
                opcoes.aviso = limite;
            else
                opcoes.primeiroByte = opcoes.comando = opcoes.corpo = limite;
        } else if (a == QLatin1String("--max-size") && temValor) {
            opcoes.tamanhoMaximo = args.at(++i).toLongLong(&ok);
        } else if (a == QLatin1String("--budget") && temValor) {
            opcoes.orcamento = args.at(++i).toLongLong(&ok);
        } else if (a == QLatin1String("--budget-per-address") && temValor) {
            opcoes.orcamentoPorEndereco = args.at(++i).toLongLong(&ok);
            ok = ok && opcoes.orcamentoPorEndereco >= 0;
        } else if (a == QLatin1String("--min-rate") && temValor) {
            opcoes.taxaMinima = args.at(++i).toLongLong(&ok);
            ok = ok && opcoes.taxaMinima > 0;
        } else if (a == QLatin1String("--max-clients") && temValor) {
            opcoes.maxClientes = args.at(++i).toInt(&ok);
            ok = ok && opcoes.maxClientes > 0;
        } else if (a == QLatin1String("--today") && temValor) {
            const QDate dia = QDate::fromString(args.at(++i), QStringLiteral("dd/MM/yyyy"));
            ok = dia.isValid();
            if (ok)
                orva::defineRelogio([dia] { return QDateTime(dia, QDateTime::currentDateTime().time()); });
        } else if (a == QLatin1String("--max-per-address") && temValor) {
            opcoes.maxPorEndereco = args.at(++i).toInt(&ok);
            ok = ok && opcoes.maxPorEndereco > 0;
        } else {
            ok = false;
        }
        if (!ok) {
            err << "Opção inválida: " << a << ". Use --help.\n";
            return 2;
        }
    }

    orva::servidor::Servidor servidor(opcoes);
    QString erro;
    if (!servidor.escuta(&erro)) {
        err << erro << '\n';
        return 1;
    }
    // Tests started with --port 0 read the port from this first line.
    QString linha = QStringLiteral("orva-datp-server: escutando em 127.0.0.1:%1, dados em %2")
                        .arg(servidor.porta())
                        .arg(QDir(opcoes.dados).absolutePath());
    if (!opcoes.banco.isEmpty())
        linha += QStringLiteral(", comprovantes no %1").arg(servidor.comprovantes());
    std::printf("%s\n", linha.toLocal8Bit().constData());
    std::fflush(stdout);
    servidor.atende();
    return 0;
}
