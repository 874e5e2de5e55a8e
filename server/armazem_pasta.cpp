#include "armazem.h"

#include "common/relogio.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSet>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace orva::servidor {
namespace {

const char *const PastaHistorico = "historico";

bool sincronizaPasta(const QString &pasta)
{
    const int dir = ::open(QFile::encodeName(pasta).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return false;
    const bool ok = ::fsync(dir) == 0;
    ::close(dir);
    return ok;
}

// A receipt is a file named by its key holding the record and CR LF: the
// latest of each key in the folder, every one ever issued in "historico"
// under the key, the time and a sequence. It is written under a temporary
// name in this process's own folder, linked into the history and renamed
// into place, so each name holds a whole receipt or is not there at all,
// and a re-delivery replaces only the latest name, never the history's.
class ArmazemPasta : public Armazem {
public:
    ArmazemPasta(const QString &pasta, const QString &temporarios) : m_pasta(pasta), m_temporarios(temporarios) {}

    bool prepara(QString *erro) override
    {
        QDir pasta(m_pasta);
        if (!pasta.mkpath(QLatin1String(PastaHistorico))) {
            *erro = QStringLiteral("Não foi possível criar a pasta de comprovantes %1.").arg(pasta.absolutePath());
            return false;
        }
        // Half-written receipts of servers that kept them here.
        for (const QString &nome : pasta.entryList({QStringLiteral("*.txt.tmp*")}, QDir::Files | QDir::Hidden))
            pasta.remove(nome);
        // Receipts kept before there was a history join it, so a
        // re-delivery cannot take them away.
        QSet<QString> comHistorico;
        const QDir historico(pasta.filePath(QLatin1String(PastaHistorico)));
        for (const QString &nome : historico.entryList({QStringLiteral("*.txt")}, QDir::Files))
            comHistorico.insert(nome.left(22));
        for (const QFileInfo &atual : pasta.entryInfoList({QStringLiteral("*.txt")}, QDir::Files)) {
            if (comHistorico.contains(atual.completeBaseName()))
                continue;
            const QString destino = nomeNoHistorico(atual.completeBaseName(), atual.lastModified());
            if (::link(QFile::encodeName(atual.filePath()).constData(), QFile::encodeName(destino).constData()) != 0
                && errno != EEXIST) {
                *erro = QStringLiteral("Não foi possível guardar %1 no histórico: %2")
                            .arg(atual.filePath(), QString::fromLocal8Bit(std::strerror(errno)));
                return false;
            }
        }
        sincronizaPasta(historico.path());
        return true;
    }

    bool grava(const Entrega &entrega, QByteArray *anterior, QString *erro) override
    {
        static std::atomic<quint64> sequencia{0};
        const QString chave = QString::fromLatin1(entrega.registro.left(22));
        const QString nome = chave + QStringLiteral(".txt");
        const QByteArray destino = QFile::encodeName(QDir(m_pasta).filePath(nome));
        const QByteArray temporario =
            QFile::encodeName(QDir(m_temporarios).filePath(nome + QStringLiteral(".%1").arg(++sequencia)));
        const QByteArray historico = QFile::encodeName(nomeNoHistorico(chave, orva::agora()));
        const QByteArray conteudo = entrega.registro + "\r\n";
        anterior->clear();
        if (QFile atual(QFile::decodeName(destino)); atual.open(QIODevice::ReadOnly))
            *anterior = atual.readAll().trimmed();
        const int fd = ::open(temporario.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        bool ok = fd >= 0;
        if (ok) {
            ok = ::write(fd, conteudo.constData(), conteudo.size()) == conteudo.size() && ::fsync(fd) == 0;
            ok = ::close(fd) == 0 && ok;
            ok = ok && ::link(temporario.constData(), historico.constData()) == 0
                 && sincronizaPasta(QDir(m_pasta).filePath(QLatin1String(PastaHistorico)));
            ok = ok && ::rename(temporario.constData(), destino.constData()) == 0;
        }
        if (!ok) {
            *erro = QStringLiteral("%1: %2").arg(QFile::decodeName(destino), QString::fromLocal8Bit(std::strerror(errno)));
            ::unlink(temporario.constData());
            // A receipt never reported is not one issued.
            ::unlink(historico.constData());
            return false;
        }
        sincronizaPasta(m_pasta);
        return true;
    }

    Busca busca(const QByteArray &chave, QByteArray *registro, QString *) override
    {
        QFile f(QDir(m_pasta).filePath(QString::fromLatin1(chave) + QStringLiteral(".txt")));
        if (!f.open(QIODevice::ReadOnly))
            return Busca::NaoAchado;
        *registro = f.readAll().trimmed();
        return Busca::Achado;
    }

    QString descricao() const override { return QDir(m_pasta).absolutePath(); }

private:
    // Unique among the processes sharing the folder: the time, the process
    // and its own sequence.
    QString nomeNoHistorico(const QString &chave, const QDateTime &quando) const
    {
        static std::atomic<quint64> sequencia{0};
        return QDir(m_pasta).filePath(QStringLiteral("%1/%2-%3-%4-%5.txt")
                                          .arg(QLatin1String(PastaHistorico), chave,
                                               quando.toUTC().toString(QStringLiteral("yyyyMMddHHmmsszzz")))
                                          .arg(::getpid())
                                          .arg(++sequencia));
    }

    QString m_pasta;
    QString m_temporarios;
};

} // namespace

std::unique_ptr<Armazem> armazemEmPasta(const QString &pasta, const QString &temporarios)
{
    return std::make_unique<ArmazemPasta>(pasta, temporarios);
}

} // namespace orva::servidor
