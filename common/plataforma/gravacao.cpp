#include "gravacao.h"

#include <QFile>
#include <QFileDevice>

#include <cerrno>

#ifdef _WIN32
#include <QTemporaryFile>

#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace orva::plataforma {

#ifdef _WIN32

namespace {

const wchar_t *nativo(const QString &caminho) { return reinterpret_cast<const wchar_t *>(caminho.utf16()); }

// Whether another program holds the file open without letting it be
// replaced. An access denied on replace says no more than that.
bool emUso(const QString &caminho)
{
    const HANDLE h = ::CreateFileW(nativo(caminho), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        ::CloseHandle(h);
        return false;
    }
    return ::GetLastError() == ERROR_SHARING_VIOLATION;
}

// The errno of a failed replace, for the same messages on both systems.
int errnoDe(DWORD erro)
{
    switch (erro) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_ACCESS_DENIED:
        return EACCES;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
        return EBUSY;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    default:
        return EIO;
    }
}

} // namespace

bool sincroniza(int descritor) { return ::_commit(descritor) == 0; }

bool sincronizaArquivo(const QString &caminho)
{
    // Windows flushes only through a handle that may write.
    const HANDLE h = ::CreateFileW(nativo(caminho), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    const bool ok = ::FlushFileBuffers(h);
    ::CloseHandle(h);
    return ok;
}

void sincronizaPasta(const QString &) {}

void adiantaGravacao(int, qint64, qint64) {}

bool modoComum(int) { return true; }

bool substitui(const QString &temporario, const QString &destino)
{
    // Write-through: the call returns once the new name is on the disk.
    if (::MoveFileExW(nativo(temporario), nativo(destino), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    const DWORD erro = ::GetLastError();
    errno = erro == ERROR_ACCESS_DENIED && emUso(destino) ? EBUSY : errnoDe(erro);
    return false;
}

bool substituiAberto(QFileDevice &temporario, const QString &destino)
{
    const QString nome = temporario.fileName();
    temporario.close();
    // A QTemporaryFile keeps its handle through close(), to be opened again;
    // it lets the handle go only when it is given a name.
    if (auto *temporaria = qobject_cast<QTemporaryFile *>(&temporario))
        temporaria->setFileName(nome);
    return substitui(nome, destino);
}

#else

bool sincroniza(int descritor) { return ::fsync(descritor) == 0; }

bool sincronizaArquivo(const QString &caminho)
{
    const int fd = ::open(QFile::encodeName(caminho).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

void sincronizaPasta(const QString &pasta)
{
    const int fd = ::open(QFile::encodeName(pasta).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void adiantaGravacao(int descritor, qint64 inicio, qint64 tamanho)
{
    ::sync_file_range(descritor, inicio, tamanho, SYNC_FILE_RANGE_WRITE);
}

bool modoComum(int descritor) { return ::fchmod(descritor, 0644) == 0; }

bool substitui(const QString &temporario, const QString &destino)
{
    return ::rename(QFile::encodeName(temporario).constData(), QFile::encodeName(destino).constData()) == 0;
}

bool substituiAberto(QFileDevice &temporario, const QString &destino)
{
    return substitui(temporario.fileName(), destino);
}

#endif

} // namespace orva::plataforma
