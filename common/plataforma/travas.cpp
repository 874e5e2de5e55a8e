#include "travas.h"

#include <QFile>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace orva::plataforma {

#ifdef _WIN32

namespace {

// Windows locks ranges of bytes, and a locked range cannot be read through
// another handle, not even one of this process. The lock is one byte far
// past the end of any file we write, where it never meets the data.
constexpr DWORD kByteAlto = 0x40000000; // offset 2^62

bool travaHandle(HANDLE h, bool espera)
{
    OVERLAPPED posicao{};
    posicao.Offset = 0;
    posicao.OffsetHigh = kByteAlto;
    const DWORD modo = LOCKFILE_EXCLUSIVE_LOCK | (espera ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
    return ::LockFileEx(h, modo, 0, 1, 0, &posicao);
}

} // namespace

bool trava(int descritor, bool espera)
{
    const auto h = reinterpret_cast<HANDLE>(::_get_osfhandle(descritor));
    return h != INVALID_HANDLE_VALUE && travaHandle(h, espera);
}

void removeSeLivre(const QString &caminho)
{
    // Our files are written through handles that do not share deletion: one
    // still open fails here already.
    const HANDLE h = ::CreateFileW(reinterpret_cast<const wchar_t *>(caminho.utf16()), GENERIC_READ | DELETE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return;
    BY_HANDLE_FILE_INFORMATION info;
    if (::GetFileInformationByHandle(h, &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        && travaHandle(h, false)) {
        FILE_DISPOSITION_INFO apagar{TRUE};
        ::SetFileInformationByHandle(h, FileDispositionInfo, &apagar, sizeof apagar);
    }
    ::CloseHandle(h);
}

#else

bool trava(int descritor, bool espera) { return ::flock(descritor, LOCK_EX | (espera ? 0 : LOCK_NB)) == 0; }

void removeSeLivre(const QString &caminho)
{
    const QByteArray nome = QFile::encodeName(caminho);
    const int fd = ::open(nome.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        ::unlink(nome.constData());
    ::close(fd);
}

#endif

} // namespace orva::plataforma
