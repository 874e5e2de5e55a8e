#include "armazem.h"

#include <QDir>
#include <QFile>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace orva::servidor {
namespace {

// A receipt is a file named by its key holding the record and CR LF. It is
// written under a temporary name in this process's own folder and renamed
// into place, so it is whole on disk or not there at all.
class ArmazemPasta : public Armazem {
public:
    ArmazemPasta(const QString &pasta, const QString &temporarios) : m_pasta(pasta), m_temporarios(temporarios) {}

    bool prepara(QString *erro) override
    {
        QDir pasta(m_pasta);
        if (!pasta.mkpath(QStringLiteral("."))) {
            *erro = QStringLiteral("Não foi possível criar a pasta de comprovantes %1.").arg(pasta.absolutePath());
            return false;
        }
        // Half-written receipts of servers that kept them here.
        for (const QString &nome : pasta.entryList({QStringLiteral("*.txt.tmp*")}, QDir::Files | QDir::Hidden))
            pasta.remove(nome);
        return true;
    }

    bool grava(const Entrega &entrega, QString *erro) override
    {
        static std::atomic<quint64> sequencia{0};
        const QString nome = QString::fromLatin1(entrega.registro.left(22)) + QStringLiteral(".txt");
        const QByteArray destino = QFile::encodeName(QDir(m_pasta).filePath(nome));
        const QByteArray temporario =
            QFile::encodeName(QDir(m_temporarios).filePath(nome + QStringLiteral(".%1").arg(++sequencia)));
        const QByteArray conteudo = entrega.registro + "\r\n";
        const int fd = ::open(temporario.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        bool ok = fd >= 0;
        if (ok) {
            ok = ::write(fd, conteudo.constData(), conteudo.size()) == conteudo.size() && ::fsync(fd) == 0;
            ok = ::close(fd) == 0 && ok;
            ok = ok && ::rename(temporario.constData(), destino.constData()) == 0;
        }
        if (!ok) {
            *erro = QStringLiteral("%1: %2").arg(QFile::decodeName(destino), QString::fromLocal8Bit(std::strerror(errno)));
            ::unlink(temporario.constData());
            return false;
        }
        const int dir = ::open(QFile::encodeName(m_pasta).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
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
    QString m_pasta;
    QString m_temporarios;
};

} // namespace

std::unique_ptr<Armazem> armazemEmPasta(const QString &pasta, const QString &temporarios)
{
    return std::make_unique<ArmazemPasta>(pasta, temporarios);
}

} // namespace orva::servidor
