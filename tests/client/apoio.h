#pragma once
// Helpers of the client's tests: a scripted server on a free loopback port
// and a record of the dialogs the client showed.
#include "client/cliente.h"
#include "common/relogio.h"
#include "common/plataforma/soquete.h"

#include <QByteArray>
#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace apoio {

namespace so = orva::plataforma;
using so::Soquete;

// Every wait of the scripted side ends after this, so a test never hangs.
constexpr int EsperaMaximaMs = 5000;

inline bool pronto(Soquete fd)
{
    return so::espera(fd, so::Evento::Leitura, std::chrono::milliseconds(EsperaMaximaMs)) > 0;
}

// Bytes up to and including the next LF (or what came before a close).
inline QByteArray leLinha(Soquete fd)
{
    QByteArray linha;
    char c;
    while (pronto(fd) && so::recebe(fd, &c, 1) == 1) {
        linha += c;
        if (c == '\n')
            break;
    }
    return linha;
}

inline QByteArray leBytes(Soquete fd, qint64 n)
{
    QByteArray dados;
    char bloco[65536];
    while (dados.size() < n && pronto(fd)) {
        const std::ptrdiff_t r = so::recebe(fd, bloco, std::min<qint64>(sizeof bloco, n - dados.size()));
        if (r <= 0)
            break;
        dados.append(bloco, r);
    }
    return dados;
}

inline void envia(Soquete fd, const QByteArray &dados)
{
    const so::Parte parte{dados.constData(), static_cast<size_t>(dados.size())};
    so::enviaPartes(fd, &parte, 1);
}

// The peer closed the connection (within the wait) without sending more.
inline bool fechouSemDados(Soquete fd)
{
    char c;
    return pronto(fd) && so::recebe(fd, &c, 1) == 0;
}

// Listens on 127.0.0.1 (a free port) and runs the script on the first
// connection, in a thread of its own; the connection is closed after it.
class ServidorFalso {
public:
    explicit ServidorFalso(std::function<void(Soquete)> roteiro, int fila = 8)
    {
        m_fd = so::escutaLocal(fila, &porta);
        EXPECT_NE(m_fd, so::SoqueteInvalido) << so::textoErro(so::ultimoErro()).toStdString();
        if (!roteiro || m_fd == so::SoqueteInvalido)
            return;
        m_thread = std::thread([this, roteiro] {
            if (!pronto(m_fd))
                return;
            const Soquete c = so::aceita(m_fd);
            if (c == so::SoqueteInvalido)
                return;
            roteiro(c);
            so::fechaSoquete(c);
        });
    }
    ~ServidorFalso()
    {
        espera();
        so::fechaSoquete(m_fd);
    }
    // Waits for the script to run to its end (what it saw is then final).
    void espera()
    {
        if (m_thread.joinable())
            m_thread.join();
    }
    Soquete fd() const { return m_fd; }
    quint16 porta = 0;

private:
    Soquete m_fd = so::SoqueteInvalido;
    std::thread m_thread;
};

// What the client showed, in order: kind ("aviso", "falha", "erro",
// "mensagem") and texts.
struct DialogosGravados : orva::cliente::Dialogos {
    struct Item {
        QString tipo, texto1, texto2;
    };
    std::vector<Item> itens;
    void aviso(const QString &m1, const QString &m2) override { itens.push_back({"aviso", m1, m2}); }
    void falha(const QString &m1, const QString &m2) override { itens.push_back({"falha", m1, m2}); }
    void erro(const QString &t) override { itens.push_back({"erro", t, {}}); }
    void mensagem(const QString &t) override { itens.push_back({"mensagem", t, {}}); }
    QStringList tipos() const
    {
        QStringList t;
        for (const Item &i : itens)
            t << i.tipo;
        return t;
    }
};

inline void grava(const QString &caminho, const QByteArray &dados)
{
    QFile f(caminho);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << caminho.toStdString();
    f.write(dados);
}

inline QByteArray le(const QString &caminho)
{
    QFile f(caminho);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<ausente>");
}

// A protocol record "20" (257 characters) for the tests' declaration files.
inline QByteArray registro20(const QByteArray &protocolo, const QByteArray &tipo, const QByteArray &entrega,
                             const QByteArray &inscricao)
{
    QByteArray r = "20" + protocolo + tipo + entrega + "2015" + inscricao + "05/03/2015" + "08/12/2026"
                   + "12345678000195" + QByteArray("EMPRESA DE TESTE").leftJustified(50, ' ') + QByteArray(14, '0')
                   + QByteArray("JOSE").leftJustified(50, ' ') + QByteArray(75, '0') + "110001";
    return r;
}

inline const QString Nome = QStringLiteral("Orva000700000000000001.rar");
inline const QByteArray Registro = QByteArray("00000000000001" "2015" "0007" "00" "1" "08/12/2026")
                            + QByteArray("EMPRESA DE TESTE").leftJustified(50, ' ') + "000005" "0000000012345";

inline QByteArray resposta(const QByteArray &codigo, const QByteArray &m1, const QByteArray &m2)
{
    return "DATP/1.0 00 " + codigo + " '" + m1 + "' '" + m2 + "'\r\n";
}

// A client folder and an origin folder holding one archive and the
// declaration file it unpacks to (already there: the archiver beside the
// client is a stand-in that succeeds without writing anything).
struct Ambiente {
    explicit Ambiente(quint16 porta, const QByteArray &conteudo = QByteArray(1300, 'x'))
        : conteudo(conteudo)
    {
        origem = dir.filePath("enviar") + "/";
        pastaCliente = dir.filePath("ClienteOrvaDATP");
        QDir().mkpath(origem);
        QDir().mkpath(pastaCliente + "/recv");
        grava(pastaCliente + "/rar" ORVA_EXE, "#!/bin/sh\nexit 0\n");
        QFile(pastaCliente + "/rar" ORVA_EXE).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        grava(origem + Nome, conteudo);
        grava(origem + "Orva000700000000000001.exp",
                     "10" + QByteArray(115, '0') + "\r\n" + registro20("0007", "00", "01", "00000000000001") + "\r\n");
        cliente = std::make_unique<orva::cliente::Cliente>(pastaCliente, dialogos);
        cliente->endereco().porta = porta;
        cliente->limites() = {std::chrono::milliseconds(2000), std::chrono::milliseconds(2000),
                              std::chrono::milliseconds(2000)};
        cliente->defineOrigem(origem);
        cliente->ListaDeclaracoes(origem);
        EXPECT_TRUE(cliente->SelecionaDeclaracao(0));
    }
    bool listada() const { return QFileInfo::exists(origem + Nome); }
    bool dadosPresentes() const { return QFileInfo::exists(origem + "Orva000700000000000001.exp"); }

    QTemporaryDir dir;
    QString origem, pastaCliente;
    QByteArray conteudo;
    DialogosGravados dialogos;
    std::unique_ptr<orva::cliente::Cliente> cliente;
};

struct RelogioFixo {
    RelogioFixo() { orva::defineRelogio([] { return QDateTime(QDate(2026, 12, 8), QTime(10, 30, 5)); }); }
    ~RelogioFixo() { orva::defineRelogio({}); }
};

} // namespace apoio
