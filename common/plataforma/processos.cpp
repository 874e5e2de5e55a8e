#include "processos.h"

#include <cerrno>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <limits>
#endif

namespace orva::plataforma {

#ifdef _WIN32

bool processoVivo(qint64 pid)
{
    if (pid <= 0 || pid > qint64(MAXDWORD))
        return false;
    const HANDLE h = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!h)
        return ::GetLastError() == ERROR_ACCESS_DENIED; // there, but not ours to look at
    // An ended process lingers while someone holds a handle on it.
    const bool vivo = ::WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
    ::CloseHandle(h);
    return vivo;
}

#else

bool processoVivo(qint64 pid)
{
    // A number past pid_t would wrap to 0 or -1: the whole group, always "alive".
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max())
        return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

#endif

} // namespace orva::plataforma
