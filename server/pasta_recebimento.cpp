#include "pasta_recebimento.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace orva::servidor {
namespace {

// Held while a process sweeps the folder and makes its own, so a process
// starting at the same time never takes the other's new folder for a stale one.
const char *const TravaVarredura = ".varredura";
// In each process's folder; a file opened for writing, so the lock holds on
// network file systems too.
const char *const TravaProcesso = ".trava";

// True when no running process holds the folder's lock.
bool abandonada(const QString &pasta)
{
    const int fd = ::open(QFile::encodeName(QDir(pasta).filePath(TravaProcesso)).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT;
    const bool livre = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return livre;
}

} // namespace

PastaRecebimento::~PastaRecebimento()
{
    if (m_trava >= 0) {
        QDir(m_caminho).removeRecursively();
        ::close(m_trava);
    }
}

bool PastaRecebimento::abre(const QString &recebendo, QString *erro)
{
    QDir raiz(recebendo);
    const auto falha = [&](const QString &oQue) {
        *erro = QStringLiteral("Não foi possível %1 em %2: %3")
                    .arg(oQue, raiz.absolutePath(), QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    };
    const int varredura = ::open(QFile::encodeName(raiz.filePath(TravaVarredura)).constData(),
                                 O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (varredura < 0)
        return falha(QStringLiteral("criar a trava da pasta de recebimento"));
    while (::flock(varredura, LOCK_EX) != 0 && errno == EINTR) {
    }
    // Files lying loose are left by an older layout or a killed process.
    for (const QFileInfo &item : raiz.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        if (item.fileName() == QLatin1String(TravaVarredura))
            continue;
        if (!item.isDir())
            QFile::remove(item.filePath());
        else if (abandonada(item.filePath()))
            QDir(item.filePath()).removeRecursively();
    }
    QByteArray modelo = QFile::encodeName(raiz.filePath(QStringLiteral("%1-XXXXXX").arg(::getpid())));
    const bool feita = ::mkdtemp(modelo.data()) != nullptr;
    if (feita) {
        m_trava = ::open((modelo + '/' + TravaProcesso).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_trava >= 0 && ::flock(m_trava, LOCK_EX | LOCK_NB) != 0) {
            ::close(m_trava);
            m_trava = -1;
        }
    }
    ::close(varredura);
    if (m_trava < 0)
        return falha(QStringLiteral("criar a pasta de recebimento"));
    m_caminho = QFile::decodeName(modelo);
    return true;
}

} // namespace orva::servidor
