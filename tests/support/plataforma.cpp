#include "plataforma.h"

#include <QFile>
#include <QProcess>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace sistema {

#ifdef _WIN32

bool emWindows() { return true; }
bool administrador() { return false; }
void limitaArquivos(QProcess &, qint64) {}
bool montaDisco(const QString &, const QByteArray &) { return false; }
void desmontaDisco(const QString &) {}
bool tornaSomenteLeitura(const QString &) { return false; }
bool criaFifo(const QString &) { return false; }

quint64 identidade(const QString &caminho)
{
    const HANDLE h = ::CreateFileW(reinterpret_cast<const wchar_t *>(caminho.utf16()), 0,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    BY_HANDLE_FILE_INFORMATION info{};
    ::GetFileInformationByHandle(h, &info);
    ::CloseHandle(h);
    return (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
}

bool suspende(qint64) { return false; }
void retoma(qint64) {}

QString caminhoHospedeiro(const QString &caminho)
{
    // Wine's own export; absent on a real Windows, where there is no host.
    using Conversao = char *(__cdecl *)(const wchar_t *);
    const auto converte = reinterpret_cast<Conversao>(
        reinterpret_cast<void *>(::GetProcAddress(::GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    if (!converte)
        return caminho;
    const QString nativo = QString(caminho).replace(QLatin1Char('/'), QLatin1Char('\\'));
    char *unix = converte(reinterpret_cast<const wchar_t *>(nativo.utf16()));
    if (!unix)
        return caminho;
    const QString resultado = QString::fromUtf8(unix);
    ::HeapFree(::GetProcessHeap(), 0, unix);
    return resultado;
}

#else

bool emWindows() { return false; }
QString caminhoHospedeiro(const QString &caminho) { return caminho; }
bool administrador() { return ::geteuid() == 0; }

void limitaArquivos(QProcess &processo, qint64 bytes)
{
    processo.setChildProcessModifier([bytes] {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit l{rlim_t(bytes), rlim_t(bytes)};
        ::setrlimit(RLIMIT_FSIZE, &l);
    });
}

bool montaDisco(const QString &ponto, const QByteArray &tamanho)
{
    if (!administrador())
        return false;
    const QByteArray opcoes = "size=" + tamanho;
    return ::mount("tmpfs", QFile::encodeName(ponto).constData(), "tmpfs", 0, opcoes.constData()) == 0;
}

void desmontaDisco(const QString &ponto) { ::umount2(QFile::encodeName(ponto).constData(), MNT_DETACH); }

bool tornaSomenteLeitura(const QString &ponto)
{
    return ::mount("tmpfs", QFile::encodeName(ponto).constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

bool criaFifo(const QString &caminho) { return ::mkfifo(QFile::encodeName(caminho).constData(), 0600) == 0; }

quint64 identidade(const QString &caminho)
{
    struct stat info {};
    ::stat(QFile::encodeName(caminho).constData(), &info);
    return info.st_ino;
}

bool suspende(qint64 pid) { return ::kill(static_cast<pid_t>(pid), SIGSTOP) == 0; }
void retoma(qint64 pid) { ::kill(static_cast<pid_t>(pid), SIGCONT); }

#endif

} // namespace sistema
