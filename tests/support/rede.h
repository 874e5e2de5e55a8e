#pragma once
// What the network tests do to the system besides using sockets (those go
// through common/plataforma/soquete.h): start a child process that stays a
// while, stop a server's process, cap the size of the files written. The last
// two do not exist on Windows: `disponivel` is false there, nothing is done,
// and the test that needs it is skipped.
#include <QProcess>
#include <QtGlobal>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

namespace rede {

// Starts a child process that does nothing for some seconds (the caller ends it).
inline bool iniciaFilhoParado(QProcess &filho)
{
#ifdef _WIN32
    filho.start(QStringLiteral("cmd.exe"), {"/c", "ping", "-n", "30", "127.0.0.1"});
#else
    filho.start(QStringLiteral("sleep"), {"30"});
#endif
    return filho.waitForStarted(10000);
}

#ifndef _WIN32

// Stops a process (SIGSTOP) until the end of the scope (SIGCONT): a server
// that stops answering without closing anything.
class ProcessoParado {
public:
    static constexpr bool disponivel = true;
    explicit ProcessoParado(qint64 pid) : m_pid(static_cast<pid_t>(pid)), m_parado(::kill(m_pid, SIGSTOP) == 0) {}
    ~ProcessoParado()
    {
        if (m_parado)
            ::kill(m_pid, SIGCONT);
    }
    ProcessoParado(const ProcessoParado &) = delete;
    ProcessoParado &operator=(const ProcessoParado &) = delete;
    bool parado() const { return m_parado; }

private:
    pid_t m_pid;
    bool m_parado;
};

// Caps the size of the files this process writes until the end of the scope
// (a stand-in for a full disk): a write beyond it fails instead of raising
// SIGXFSZ.
class LimiteDeArquivo {
public:
    static constexpr bool disponivel = true;
    explicit LimiteDeArquivo(qint64 bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_antes);
        m_sinal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limite = m_antes;
        limite.rlim_cur = static_cast<rlim_t>(bytes);
        setrlimit(RLIMIT_FSIZE, &limite);
    }
    ~LimiteDeArquivo()
    {
        setrlimit(RLIMIT_FSIZE, &m_antes);
        std::signal(SIGXFSZ, m_sinal);
    }
    LimiteDeArquivo(const LimiteDeArquivo &) = delete;
    LimiteDeArquivo &operator=(const LimiteDeArquivo &) = delete;

private:
    rlimit m_antes{};
    void (*m_sinal)(int) = SIG_DFL;
};

#else

class ProcessoParado {
public:
    static constexpr bool disponivel = false;
    explicit ProcessoParado(qint64) {}
    bool parado() const { return false; }
};

class LimiteDeArquivo {
public:
    static constexpr bool disponivel = false;
    explicit LimiteDeArquivo(qint64) {}
};

#endif

} // namespace rede
