#include "gravacaosegura.h"

#include "common/causafalha.h"
#include "common/errors.h"
#include "common/plataforma/arquivos.h"
#include "common/plataforma/gravacao.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

namespace orva::cliente {
namespace {

bool confere(int fd, const QByteArray &conteudo)
{
    if (!plataforma::voltaAoInicio(fd))
        return false;
    QByteArray lido(conteudo.size() + 1, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        const qint64 n = plataforma::le(fd, lido.data() + total, lido.size() - total);
        if (n < 0)
            return false;
        if (n == 0 || (total += n) == lido.size())
            break;
    }
    if (total != conteudo.size() || std::memcmp(lido.constData(), conteudo.constData(), conteudo.size()) != 0) {
        errno = EIO;
        return false;
    }
    return true;
}

} // namespace

void GravaArquivoSeguro(const QString &caminho, const QByteArray &conteudo)
{
    const QFileInfo info(caminho);
    QString temporario = info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".tmp-XXXXXX");
    const int fd = plataforma::criaTemporario(temporario);
    int erro = 0;
    bool ok = fd >= 0;
    if (!ok)
        erro = errno;
    ok = ok && plataforma::modoComum(fd) && plataforma::gravaTudo(fd, conteudo.constData(), conteudo.size())
         && plataforma::sincroniza(fd) && confere(fd, conteudo);
    if (fd >= 0 && !ok)
        erro = errno;
    if (fd >= 0 && !plataforma::fecha(fd) && ok) {
        erro = errno;
        ok = false;
    }
    if (ok && !plataforma::substitui(temporario, info.absoluteFilePath())) {
        erro = errno;
        ok = false;
    }
    if (!ok) {
        if (fd >= 0)
            QFile::remove(temporario);
        throw Error(QStringLiteral("Não foi possível gravar o arquivo %1: %2").arg(info.absoluteFilePath(), orva::causaDaFalha(erro)));
    }
    // The new name itself must reach the disk.
    plataforma::sincronizaPasta(info.absolutePath());
}

} // namespace orva::cliente
