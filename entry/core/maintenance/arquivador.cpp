#include "arquivador.h"

#include <algorithm>

#include <QFile>

#include "common/errors.h"
#include "common/process.h"
#include "common/messages.h"
#include "common/pastaprograma.h"
#include "core/shell/funcoesbase.h"

#include <QFileInfo>

namespace Funcoes {

namespace {

QString programaArquivador() { return orva::pastaprograma::localizaPrograma(DiretorioSistema(), QStringLiteral("rar")); }

// Runs the archiver on an argument text and judges its outcome: false when it
// ran and ended well; true, with the reason, when it could not be started or
// ended with an error. A failure must never pass for a written archive.
bool executaArquivador(const QString &argumentos, QString *motivo)
{
    QString razao;
    try {
        const QString programa = programaArquivador();
        const orva::process::Result r = orva::process::run(programa, orva::process::splitArguments(argumentos),
                                                           QFileInfo(programa).absolutePath());
        if (!r.started)
            razao = QFileInfo::exists(programa)
                        ? r.error
                        : QStringLiteral("O programa rar não foi encontrado em %1.").arg(DiretorioSistema());
        else if (r.exitCode == -1)
            razao = r.error;
        else if (r.exitCode != 0)
            razao = QStringLiteral("O programa rar terminou com erro (código %1).").arg(r.exitCode);
    } catch (const orva::Error &e) {
        orva::messages().error(QStringLiteral("Erro durante a compactação do arquivo de Dados!"));
        razao = e.message();
    } catch (const std::exception &e) {
        orva::messages().error(QStringLiteral("Erro durante a compactação do arquivo de Dados!"));
        razao = QString::fromLocal8Bit(e.what());
    }
    if (motivo)
        *motivo = razao;
    return !razao.isEmpty();
}

// A path between double quotes, written so that splitting the argument text
// gives it back as it stands: backslashes before a quote (also the closing
// one) are doubled and a quote inside the path is escaped.
QString entreAspas(const QString &texto)
{
    QString saida(QLatin1Char('"'));
    qsizetype barras = 0;
    for (const QChar c : texto) {
        if (c == QLatin1Char('\\')) {
            ++barras;
        } else {
            if (c == QLatin1Char('"'))
                saida += QString(barras + 1, QLatin1Char('\\'));
            barras = 0;
        }
        saida += c;
    }
    saida += QString(barras, QLatin1Char('\\'));
    return saida + QLatin1Char('"');
}

} // namespace

bool ExecutaEspera(const QString &programa, const QString &argumentos, int modo)
{
    Q_UNUSED(modo);
    return orva::process::run(programa, orva::process::splitArguments(argumentos), QFileInfo(programa).absolutePath())
        .started;
}

bool CompactaArquivo(const QString &arquivo, const QString &arquivoCompactado, QString *motivo)
{
    return executaArquivador(QStringLiteral("  a -va  ") + entreAspas(arquivoCompactado) + QStringLiteral("  ")
                                 + entreAspas(arquivo),
                             motivo);
}

bool DescompactaArquivo(const QString &arquivoCompactado, const QString &destino, QString *motivo)
{
    return executaArquivador(QStringLiteral("  e -y  ") + entreAspas(arquivoCompactado) + QStringLiteral(" ")
                                 + entreAspas(destino),
                             motivo);
}

namespace {

quint32 le32(const char *p)
{
    const auto *b = reinterpret_cast<const unsigned char *>(p);
    return quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24;
}

quint16 le16(const char *p)
{
    const auto *b = reinterpret_cast<const unsigned char *>(p);
    return quint16(b[0] | b[1] << 8);
}

} // namespace

qint64 TamanhoExtraido(const QString &arquivoCompactado)
{
    QFile f(arquivoCompactado);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    // The end record (22 bytes and a comment of up to 64 KB) closes the file.
    const qint64 cauda = std::min<qint64>(f.size(), 22 + 65535);
    if (!f.seek(f.size() - cauda))
        return -1;
    const QByteArray fim = f.read(cauda);
    const qsizetype fimCentral = fim.lastIndexOf(QByteArray("PK\x05\x06", 4));
    if (fimCentral < 0 || fim.size() - fimCentral < 22)
        return -1;
    const quint32 tamanhoCentral = le32(fim.constData() + fimCentral + 12);
    const quint32 inicioCentral = le32(fim.constData() + fimCentral + 16);
    if (inicioCentral == 0xFFFFFFFFu || tamanhoCentral > 64u << 20 || !f.seek(inicioCentral))
        return -1; // ZIP64 or nonsense: unknown
    const QByteArray central = f.read(tamanhoCentral);
    qint64 total = 0;
    for (qsizetype p = 0; p + 46 <= central.size();) {
        const char *h = central.constData() + p;
        if (le32(h) != 0x02014b50u)
            return -1;
        const quint32 tamanho = le32(h + 24);
        if (tamanho == 0xFFFFFFFFu)
            return -1;
        total += tamanho;
        p += 46 + le16(h + 28) + le16(h + 30) + le16(h + 32);
    }
    return total;
}

} // namespace Funcoes
