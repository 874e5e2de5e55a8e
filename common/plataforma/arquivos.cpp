#include "arquivos.h"

#include <QFile>

#include <algorithm>
#include <cerrno>

#ifdef _WIN32
#include <QRandomGenerator>

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace orva::plataforma {

#ifdef _WIN32

namespace {

// One call of _write or _read moves at most an int's worth.
constexpr qint64 kMaiorBloco = qint64(1) << 30;

int abreNovo(const QString &caminho)
{
    int fd = -1;
    const errno_t erro = ::_wsopen_s(&fd, reinterpret_cast<const wchar_t *>(caminho.utf16()),
                                     _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _SH_DENYNO,
                                     _S_IREAD | _S_IWRITE);
    if (erro != 0) {
        errno = erro;
        return -1;
    }
    return fd;
}

} // namespace

int criaExclusivo(const QString &caminho) { return abreNovo(caminho); }

int criaTemporario(QString &modelo)
{
    static const char letras[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    if (!modelo.endsWith(QLatin1String("XXXXXX"))) {
        errno = EINVAL;
        return -1;
    }
    QString nome = modelo;
    for (int tentativa = 0; tentativa < 100; ++tentativa) {
        for (qsizetype i = nome.size() - 6; i < nome.size(); ++i)
            nome[i] = QLatin1Char(letras[QRandomGenerator::system()->bounded(int(sizeof letras - 1))]);
        const int fd = abreNovo(nome);
        if (fd >= 0) {
            modelo = nome;
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

bool gravaTudo(int descritor, const char *dados, qint64 tamanho)
{
    while (tamanho > 0) {
        const int n = ::_write(descritor, dados, static_cast<unsigned>(std::min(tamanho, kMaiorBloco)));
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

qint64 le(int descritor, char *destino, qint64 tamanho)
{
    return ::_read(descritor, destino, static_cast<unsigned>(std::min(tamanho, kMaiorBloco)));
}

bool voltaAoInicio(int descritor) { return ::_lseeki64(descritor, 0, SEEK_SET) == 0; }

bool fecha(int descritor) { return ::_close(descritor) == 0; }

bool arquivoComum(const QString &caminho)
{
    const auto nome = reinterpret_cast<const wchar_t *>(caminho.utf16());
    WIN32_FILE_ATTRIBUTE_DATA atributos;
    if (!::GetFileAttributesExW(nome, GetFileExInfoStandard, &atributos)
        || (atributos.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    // Devices (NUL, CON) and pipes answer too; only a file on a disk is regular.
    // Opened for no access at all: nothing is read and nothing waits.
    const HANDLE h = ::CreateFileW(nome, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    const bool disco = ::GetFileType(h) == FILE_TYPE_DISK;
    ::CloseHandle(h);
    return disco;
}

#else

int criaExclusivo(const QString &caminho)
{
    return ::open(QFile::encodeName(caminho).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
}

int criaTemporario(QString &modelo)
{
    QByteArray nome = QFile::encodeName(modelo);
    const int fd = ::mkostemp(nome.data(), O_CLOEXEC);
    if (fd >= 0)
        modelo = QFile::decodeName(nome);
    return fd;
}

bool gravaTudo(int descritor, const char *dados, qint64 tamanho)
{
    while (tamanho > 0) {
        const ssize_t n = ::write(descritor, dados, static_cast<size_t>(tamanho));
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

qint64 le(int descritor, char *destino, qint64 tamanho)
{
    for (;;) {
        const ssize_t n = ::read(descritor, destino, static_cast<size_t>(tamanho));
        if (n < 0 && errno == EINTR)
            continue;
        return n;
    }
}

bool voltaAoInicio(int descritor) { return ::lseek(descritor, 0, SEEK_SET) == 0; }

bool fecha(int descritor) { return ::close(descritor) == 0; }

bool arquivoComum(const QString &caminho)
{
    struct stat info {};
    return ::stat(QFile::encodeName(caminho).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

#endif

} // namespace orva::plataforma
