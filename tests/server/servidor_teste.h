#pragma once
// The real orva-datp-server on a free loopback port, for the server's and the
// end-to-end tests.
#include "common/plataforma/soquete.h"
#include "support/ferramentas.h"

#include <QByteArray>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

class ServidorDatp {
public:
    // `ambiente`: the server's environment, when not this process's.
    explicit ServidorDatp(const QString &dados, const QStringList &extra = {},
                          const QProcessEnvironment &ambiente = QProcessEnvironment::systemEnvironment())
    {
        if (testesNoWindows()) {
            iniciaPeloHospedeiro(dados, extra);
            return;
        }
        processo.setProcessEnvironment(ambiente);
        processo.start(QStringLiteral(ORVA_DATP_SERVER),
                       QStringList{"--port", "0", "--data", dados} + extra);
        // The first line names the port it listens on.
        QByteArray linha;
        while (!linha.contains('\n') && processo.waitForReadyRead(10000))
            linha += processo.readAllStandardOutput();
        lePorta(linha + processo.readAllStandardError());
    }
    ~ServidorDatp()
    {
        if (!m_pidHospedeiro.isEmpty()) {
            encerraPeloHospedeiro();
            return;
        }
        processo.kill();
        processo.waitForFinished(5000);
    }
    // What the server logged after its first line, waiting up to
    // `esperaMs` for more.
    QString registro(int esperaMs = 1000)
    {
        if (!m_pidHospedeiro.isEmpty()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(esperaMs));
            const QByteArray tudo = conteudoDe(m_controle.filePath(QStringLiteral("saida")));
            return QString::fromUtf8(tudo.mid(tudo.indexOf('\n') + 1));
        }
        processo.waitForReadyRead(esperaMs);
        m_log += QString::fromUtf8(processo.readAllStandardOutput());
        return m_log;
    }
    quint16 porta = 0;
    QProcess processo;

private:
    void lePorta(const QByteArray &saida)
    {
        const auto m = QRegularExpression(QStringLiteral("127\\.0\\.0\\.1:(\\d+)")).match(QString::fromUtf8(saida));
        EXPECT_TRUE(m.hasMatch()) << saida.toStdString();
        porta = static_cast<quint16>(m.captured(1).toUInt());
    }

    // Under Wine the server is a Linux program, which Wine starts but cannot
    // read, wait for or end: a shell writes its pid and its output to files,
    // and the Linux kill ends it.
    void iniciaPeloHospedeiro(const QString &dados, const QStringList &extra)
    {
        const QString pid = m_controle.filePath(QStringLiteral("pid"));
        const QString saida = m_controle.filePath(QStringLiteral("saida"));
        const QStringList argumentos = QStringList{
            QStringLiteral("-c"), QStringLiteral("echo $$ >$0; o=$1; shift; exec \"$@\" >$o 2>&1"),
            caminhoHost(pid), caminhoHost(saida), caminhoHost(QStringLiteral(ORVA_DATP_SERVER)),
            QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--data"), caminhoHost(dados)} + extra;
        EXPECT_TRUE(QProcess::startDetached(ferramentaHost(QStringLiteral("sh")), argumentos));
        QByteArray linha;
        QElapsedTimer relogio;
        relogio.start();
        while (!linha.contains('\n') && relogio.elapsed() < 10000) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            QFile f(saida);
            if (f.open(QIODevice::ReadOnly))
                linha = f.readAll();
        }
        QFile f(pid);
        if (f.open(QIODevice::ReadOnly))
            m_pidHospedeiro = QString::fromLatin1(f.readAll().trimmed());
        lePorta(linha);
    }
    void encerraPeloHospedeiro()
    {
        QProcess::startDetached(ferramentaHost(QStringLiteral("kill")), {m_pidHospedeiro});
        QElapsedTimer relogio;
        relogio.start();
        while (QFileInfo::exists(QStringLiteral("Z:/proc/") + m_pidHospedeiro) && relogio.elapsed() < 5000)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    QTemporaryDir m_controle;
    QString m_pidHospedeiro;
    QString m_log;
};

// Archives and files left under the data folder's "recebendo" (the servers'
// locks aside): none once every client is done.
// A server removes an archive when the client has gone: this waits up to
// `esperaMs` for that.
inline QStringList restosRecebendo(const QString &dados, int esperaMs = 3000)
{
    QElapsedTimer relogio;
    relogio.start();
    for (;;) {
        QStringList restos;
        QDirIterator it(dados + QStringLiteral("/recebendo"), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString caminho = it.next();
            if (!caminho.endsWith(QLatin1String("/.varredura")) && !caminho.endsWith(QLatin1String("/.trava")))
                restos << caminho;
        }
        if (restos.isEmpty() || relogio.elapsed() >= esperaMs)
            return restos;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// A raw connection to the server.
class ConexaoBruta {
public:
    // `origem`: the local address to connect from (any of 127.0.0.0/8), so
    // tests can play clients of several addresses.
    explicit ConexaoBruta(quint16 porta, const char *origem = nullptr)
        : m_fd(orva::plataforma::conectaLocal(porta, origem))
    {
        EXPECT_NE(m_fd, orva::plataforma::SoqueteInvalido)
            << orva::plataforma::textoErro(orva::plataforma::ultimoErro()).toStdString();
    }
    ~ConexaoBruta() { fecha(); }
    orva::plataforma::Soquete fd() const { return m_fd; }
    void envia(const QByteArray &dados)
    {
        qsizetype feito = 0;
        while (feito < dados.size()) {
            const orva::plataforma::Parte resto{dados.constData() + feito, static_cast<size_t>(dados.size() - feito)};
            const std::ptrdiff_t n = orva::plataforma::enviaPartes(m_fd, &resto, 1);
            if (n <= 0)
                return;
            feito += n;
        }
    }
    // The next line (CR LF removed), or empty after `esperaMs` or a close.
    QByteArray linha(int esperaMs = 5000)
    {
        for (;;) {
            const qsizetype lf = m_buffer.indexOf('\n');
            if (lf >= 0) {
                QByteArray l = m_buffer.left(lf);
                m_buffer.remove(0, lf + 1);
                if (l.endsWith('\r'))
                    l.chop(1);
                return l;
            }
            char bloco[4096];
            if (!pronta(esperaMs))
                return {};
            const std::ptrdiff_t n = orva::plataforma::recebe(m_fd, bloco, sizeof bloco);
            if (n <= 0)
                return {};
            m_buffer.append(bloco, n);
        }
    }
    // True when the server closed the connection within `esperaMs`.
    bool fechada(int esperaMs = 5000)
    {
        char c;
        return pronta(esperaMs) && orva::plataforma::recebe(m_fd, &c, 1) <= 0;
    }
    void fecha()
    {
        orva::plataforma::fechaSoquete(m_fd);
        m_fd = orva::plataforma::SoqueteInvalido;
    }

private:
    bool pronta(int esperaMs)
    {
        namespace so = orva::plataforma;
        return so::espera(m_fd, so::Evento::Leitura, std::chrono::milliseconds(esperaMs)) > 0;
    }

    orva::plataforma::Soquete m_fd;
    QByteArray m_buffer;
};
