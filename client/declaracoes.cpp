#include "declaracoes.h"

#include "common/errors.h"
#include "common/files.h"
#include "common/pastaprograma.h"
#include "common/plataforma/gravacao.h"
#include "common/win1252.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace orva::cliente {
namespace {

constexpr int ProfundidadeMaxima = 64;

QString procura(const QString &raiz, const QString &nome, bool subpastas, int profundidade)
{
    const QDir pasta(raiz);
    const QFileInfoList entradas =
        pasta.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QFileInfo &e : entradas)
        if (!e.fileName().startsWith(QLatin1Char('.')) && e.fileName().compare(nome, Qt::CaseInsensitive) == 0)
            return comBarra(raiz) + e.fileName();
    if (!subpastas || profundidade >= ProfundidadeMaxima)
        return {};
    for (const QFileInfo &e : entradas) {
        if (!e.isDir() || e.isSymLink() || e.fileName().contains(QLatin1Char('.')))
            continue;
        const QString achado = procura(comBarra(raiz) + e.fileName(), nome, true, profundidade + 1);
        if (!achado.isEmpty())
            return achado;
    }
    return {};
}

} // namespace

QString comBarra(const QString &pasta)
{
    if (pasta.endsWith(QLatin1Char('/')))
        return pasta;
    if (pasta.endsWith(QLatin1Char('\\')))
        return pasta.left(pasta.size() - 1) + QLatin1Char('/');
    return pasta + QLatin1Char('/');
}

Partida partidaDoArgumento(const QString &argumento, const QString &pastaPadrao)
{
    if (argumento.isEmpty())
        return {pastaPadrao, {}};
    const QFileInfo arquivo(argumento);
    if (arquivo.isFile())
        return {comBarra(arquivo.absolutePath()), arquivo.fileName()};
    return {argumento, {}};
}

QStringList arquivosDeclaracao(const QString &pasta)
{
    if (pasta.isEmpty())
        return {};
    return QDir(pasta).entryList({QStringLiteral("*.rar")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
}

QString linhaDeclaracao(const QString &nomeArquivo) { return nomeArquivo.left(22); }

QString arquivoDados(const QString &pasta, const QString &nomeArquivo)
{
    return comBarra(pasta) + nomeArquivo.left(22) + QStringLiteral(".EXP");
}

QString ProcuraArquivo(const QString &raiz, const QString &nome, bool subpastas)
{
    return procura(comBarra(raiz), nome, subpastas, 0);
}

QString LocalizaArquivador(const QString &pastaCliente)
{
    const QString nome = orva::pastaprograma::executavel(QStringLiteral("rar"));
    // Beside the client and in its parent, in the program folder and then
    // where the programs are installed (Windows keeps no links to them).
    QStringList pastas{QDir(pastaCliente).absolutePath(), QDir(pastaCliente + QStringLiteral("/..")).absolutePath()};
    if (QCoreApplication::instance() && orva::pastaprograma::instalada(QCoreApplication::applicationDirPath()))
        pastas << QCoreApplication::applicationDirPath() << QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/..")).absolutePath();
    for (const QString &pasta : pastas) {
        const QString achado = ProcuraArquivo(pasta, nome, false);
        if (!achado.isEmpty() && QFileInfo(achado).isFile() && QFileInfo(achado).isExecutable())
            return achado;
    }
    return QStandardPaths::findExecutable(nome);
}

bool ExtraiDeclaracao(const QString &arquivador, const QString &arquivo, const QString &destino, QString *erro)
{
    if (arquivador.isEmpty()) {
        *erro = QStringLiteral("O programa rar não foi encontrado.");
        return false;
    }
    // Only the declaration's own data file comes out: an archive holding
    // other entries (named like another pending declaration, say) must not
    // replace the files beside it.
    const QString entrada = QFileInfo(arquivo).fileName().left(22) + QStringLiteral(".exp");
    QProcess processo;
    processo.setProgram(arquivador);
    processo.setArguments({QStringLiteral("e"), QStringLiteral("-y"), QStringLiteral("-n") + entrada, arquivo, destino});
    processo.setWorkingDirectory(destino);
    processo.setStandardOutputFile(QProcess::nullDevice());
    processo.start();
    if (!processo.waitForStarted(-1)) {
        *erro = QStringLiteral("O programa %1 não pôde ser iniciado: %2").arg(arquivador, processo.errorString());
        return false;
    }
    processo.waitForFinished(-1);
    if (processo.exitStatus() != QProcess::NormalExit || processo.exitCode() != 0) {
        // The archiver's own words say why ("rar: ..."), the first lines of
        // them; it writes UTF-8 on every system (not Windows' ANSI page).
        QStringList motivo = QString::fromUtf8(processo.readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (QString &linha : motivo)
            if (linha.startsWith(QLatin1String("rar: ")))
                linha = linha.mid(5);
        *erro = QStringLiteral("A declaração %1 não pôde ser extraída de %2.").arg(entrada, arquivo);
        if (!motivo.isEmpty())
            *erro += QLatin1Char('\n') + motivo.mid(0, 3).join(QLatin1Char('\n'));
        return false;
    }
    return true;
}

QString textoTipo(const QString &codigoTipo)
{
    if (codigoTipo == QLatin1String("00"))
        return QStringLiteral("Nota Fiscal");
    if (codigoTipo == QLatin1String("01"))
        return QStringLiteral("Rateio");
    return {};
}

QString textoRetificacao(const QString &codigoEntrega)
{
    if (codigoEntrega == QLatin1String("01"))
        return QStringLiteral("NÃO");
    if (codigoEntrega == QLatin1String("02"))
        return QStringLiteral("SIM");
    return {};
}

std::optional<ChaveDeclaracao> LeRegistroProtocolo(const QString &arquivoDados)
{
    const QFileInfo info(arquivoDados);
    const QString caminho = files::findIgnoringCase(info.path(), info.fileName());
    QFile f(caminho);
    if (!f.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Não foi possível abrir o arquivo \"%1\": %2").arg(caminho, f.errorString()));
    for (int i = 0; i < 2 && !f.atEnd(); ++i) {
        // Records are a few hundred characters; a longer line is cut.
        QByteArray bytes = f.readLine(64 * 1024);
        while (bytes.endsWith('\n') || bytes.endsWith('\r'))
            bytes.chop(1);
        const QString linha = win1252::decode(bytes);
        if (!linha.startsWith(QLatin1String("20")))
            continue;
        ChaveDeclaracao chave;
        chave.protocolo = linha.mid(2, 4);
        chave.codigoTipo = linha.mid(6, 2);
        chave.codigoEntrega = linha.mid(8, 2);
        chave.exercicio = linha.mid(10, 4);
        chave.inscricao = linha.mid(14, 14);
        chave.textoTipo = textoTipo(chave.codigoTipo);
        chave.textoRetificacao = textoRetificacao(chave.codigoEntrega);
        return chave;
    }
    return std::nullopt;
}

bool MarcaEnviada(const QString &arquivo)
{
    const QFileInfo info(arquivo);
    if (!info.isFile())
        return false;
    const QString nome = info.suffix().isEmpty() ? info.fileName() : info.completeBaseName();
    const QString destino = info.dir().filePath(nome + QStringLiteral(".ra_"));
    if (QFileInfo(destino).isDir())
        return false;
    // Replaces an older mark of the same declaration in one step.
    return plataforma::substitui(arquivo, destino);
}

} // namespace orva::cliente
