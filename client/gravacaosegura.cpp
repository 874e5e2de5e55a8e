#include "gravacaosegura.h"

#include "common/causafalha.h"
#include "common/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orva::cliente {
namespace {

bool gravaTudo(int fd, const char *dados, qint64 tamanho)
{
    while (tamanho > 0) {
        const ssize_t n = ::write(fd, dados, static_cast<size_t>(tamanho));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        dados += n;
        tamanho -= n;
    }
    return true;
}

bool confere(int fd, const QByteArray &conteudo)
{
    if (::lseek(fd, 0, SEEK_SET) != 0)
        return false;
    QByteArray lido(conteudo.size() + 1, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        const ssize_t n = ::read(fd, lido.data() + total, static_cast<size_t>(lido.size() - total));
        if (n < 0 && errno == EINTR)
            continue;
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
    const QByteArray destino = QFile::encodeName(info.absoluteFilePath());
    QByteArray temporario = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName())
                            + ".tmp-XXXXXX";
    const int fd = ::mkostemp(temporario.data(), O_CLOEXEC);
    int erro = 0;
    bool ok = fd >= 0;
    if (!ok)
        erro = errno;
    ok = ok && ::fchmod(fd, 0644) == 0 && gravaTudo(fd, conteudo.constData(), conteudo.size()) && ::fsync(fd) == 0
         && confere(fd, conteudo);
    if (fd >= 0 && !ok)
        erro = errno;
    if (fd >= 0 && ::close(fd) != 0 && ok) {
        erro = errno;
        ok = false;
    }
    if (ok && ::rename(temporario.constData(), destino.constData()) != 0) {
        erro = errno;
        ok = false;
    }
    if (!ok) {
        if (fd >= 0)
            ::unlink(temporario.constData());
        throw Error(QStringLiteral("Não foi possível gravar o arquivo %1: %2").arg(info.absoluteFilePath(), orva::causaDaFalha(erro)));
    }
    // The new name itself must reach the disk.
    const int pasta = ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (pasta >= 0) {
        ::fsync(pasta);
        ::close(pasta);
    }
}

} // namespace orva::cliente
