#include "client/apoio.h"

#include "client/avisos.h"
#include "client/datp.h"
#include "common/relogio.h"
#include "common/errors.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <ctime>

using namespace orva::cliente;
using apoio::DialogosGravados;
using apoio::Ambiente;
using apoio::Nome;
using apoio::Registro;
using apoio::RelogioFixo;
using apoio::resposta;

namespace {

double cpuDaThread()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

} // namespace

TEST(Datp, ReplyReadByPositionAndByQuotes)
{
    Resposta r = InterpretaResposta("DATP/1.0 00 200 'x' 'y'");
    EXPECT_EQ(r.codigo, "200");
    EXPECT_EQ(r.marca, "00");
    EXPECT_EQ(r.mensagem1, "x");
    EXPECT_EQ(r.mensagem2, "y");
    // Every later quoted text runs into message 2; text outside quotes is dropped.
    r = InterpretaResposta("DATP/1.0 00 201 'x' fora 'y' 'z'");
    EXPECT_EQ(r.mensagem1, "x");
    EXPECT_EQ(r.mensagem2, "yz");
    // A quote left open takes the rest of the line into the current message.
    r = InterpretaResposta("DATP/1.0 00 500 'a' 'b c d");
    EXPECT_EQ(r.mensagem2, "b c d");
    r = InterpretaResposta("DATP/1.0 00 500 'sem fim");
    EXPECT_EQ(r.mensagem1, "sem fim");
    EXPECT_EQ(r.mensagem2, "");
    EXPECT_EQ(InterpretaResposta("DATP/1.0").codigo, "");

    // "#13" travels as it is and becomes a line break (and a blank) only in the
    // failure notice.
    r = InterpretaResposta("DATP/1.0 00 500 'Recusada' 'Total 1 difere#13Total 2 difere'");
    EXPECT_EQ(r.mensagem2, "Total 1 difere#13Total 2 difere");
    EXPECT_EQ(TrocaQuebras(r.mensagem2), "Total 1 difere\r\n Total 2 difere");
    const QStringList linhas = linhasFalha(r.mensagem1, r.mensagem2);
    EXPECT_EQ(linhas.mid(3), (QStringList{"Recusada", " ",
                                          "Devido ao(s) seguinte(s) problema(s) sua declaração não pôde ser recebida:",
                                          "Total 1 difere", " Total 2 difere"}));
    const QStringList aviso = linhasAviso("", "");
    ASSERT_EQ(aviso.size(), 9);
    EXPECT_EQ(aviso[6], "");
    EXPECT_EQ(aviso[8], "");
}

TEST(Datp, CommandLinesByteForByte)
{
    EXPECT_EQ(linhaAuth(1234, "  Orva000700000012345678.rar "),
              QByteArray("DATP/1.0 AUTH USUARIO@ORVA ORVA 1234 Orva000700000012345678.rar\r\n"));
    EXPECT_EQ(linhaAuth(0, "DECLARAÇÃO.rar"), QByteArray("DATP/1.0 AUTH USUARIO@ORVA ORVA 0 DECLARA\xC7\xC3O.rar\r\n"));
    EXPECT_EQ(linhaComp("00000012345678", "20150007"),
              QByteArray("DATP/1.0 COMP 00000012345678@20150007 ORVA 3 myfile.rar\r\n"));
    // A line break in a name would start a second command.
    EXPECT_THROW(linhaAuth(5, "a.rar\r\nDATP/1.0 COMP x"), orva::Error);
    EXPECT_THROW(linhaComp("0000001234567\n", "20150007"), orva::Error);
}

TEST(Entrega, ReceiptStoredArchiveMarkedAndDataFileDeleted)
{
    RelogioFixo relogio;
    QByteArray auth, corpo;
    apoio::ServidorFalso servidor([&](apoio::Soquete fd) {
        auth = apoio::leLinha(fd);
        apoio::envia(fd, resposta("200", "Pronto", "Envie"));
        corpo = apoio::leBytes(fd, 1300);
        // A line of three characters or fewer is not a reply.
        apoio::envia(fd, "ab\r\n" + resposta("201", Registro.left(22), Registro.mid(22)));
        apoio::leBytes(fd, 1);
    });
    Ambiente a(servidor.porta);
    // The same declaration sent before: its older mark gives way.
    apoio::grava(a.origem + "Orva000700000000000001.ra_", "antigo");

    const ResultadoEnvio r = a.cliente->Envia();
    EXPECT_EQ(auth, "DATP/1.0 AUTH USUARIO@ORVA ORVA 1300 " + Nome.toLatin1() + "\r\n");
    EXPECT_EQ(corpo, a.conteudo);
    EXPECT_EQ(r.troca.desfecho, Desfecho::Recebida);
    EXPECT_TRUE(r.comprovanteGravado);
    ASSERT_EQ(a.dialogos.tipos(), (QStringList{"aviso", "aviso"}));
    EXPECT_EQ(a.dialogos.itens[0].texto1, "Pronto");
    EXPECT_EQ(a.dialogos.itens[0].texto2, "Envie");
    EXPECT_EQ(a.dialogos.itens[1].texto1, "00000000000001" "2015" "0007");
    EXPECT_EQ(a.dialogos.itens[1].texto2, mensagemComprovanteDisponivel());

    const QString arquivo = a.pastaCliente + "/recv/0000000000000120150007.cmp";
    EXPECT_EQ(r.comprovante, arquivo);
    EXPECT_EQ(apoio::le(arquivo), QByteArray("[CMP]\r\n"
                                             "Inscricao=00000000000001\r\n"
                                             "Referencia=2015\r\n"
                                             "Protocolo=0007\r\n"
                                             "TipoProtocolo=Nota Fiscal\r\n"
                                             "Retificadora=N\xC3O\r\n"
                                             "Data=08/12/2026 10:30:05\r\n"
                                             "Razao=EMPRESA DE TESTE                                  \r\n"
                                             "QtdRegistro=000005\r\n"
                                             "Controle=0000000012345\r\n"
                                             "Registro=")
                                      + Registro + "\r\n");
    EXPECT_FALSE(a.listada());
    EXPECT_EQ(apoio::le(a.origem + "Orva000700000000000001.ra_"), a.conteudo);
    EXPECT_TRUE(r.marcada);
    EXPECT_FALSE(a.dadosPresentes());
    EXPECT_TRUE(a.cliente->declaracoes().isEmpty());
    EXPECT_EQ(a.cliente->comprovantes().linhas, QStringList{"0000000000000120150007.cmp -- 07/2015"});
}

TEST(Entrega, RefusalAfterTheBytesOfAnEmptyArchive)
{
    QByteArray auth, depois;
    apoio::ServidorFalso servidor([&](apoio::Soquete fd) {
        auth = apoio::leLinha(fd);
        apoio::envia(fd, resposta("200", "Pronto", ""));
        apoio::envia(fd, resposta("500", "Recusada", "Total 1 difere#13Total 2 difere"));
        depois = apoio::leBytes(fd, 1); // nothing came after the reply: the client closed
    });
    Ambiente a(servidor.porta, QByteArray());
    const ResultadoEnvio r = a.cliente->Envia();
    EXPECT_TRUE(auth.contains(" ORVA 0 Orva"));
    EXPECT_TRUE(depois.isEmpty());
    EXPECT_EQ(r.troca.desfecho, Desfecho::RecusadaAposEnvio);
    ASSERT_EQ(a.dialogos.tipos(), (QStringList{"aviso", "falha"}));
    EXPECT_EQ(a.dialogos.itens[1].texto1, "Recusada");
    EXPECT_EQ(a.dialogos.itens[1].texto2, "Total 1 difere#13Total 2 difere-500");
    // A reply came after the bytes: the declaration file goes, the archive stays listed.
    EXPECT_TRUE(a.listada());
    EXPECT_FALSE(a.dadosPresentes());
    EXPECT_FALSE(r.comprovanteGravado);
    EXPECT_TRUE(QDir(a.pastaCliente + "/recv").isEmpty());
    // A second Send without a new click cannot open the declaration file.
    a.dialogos.itens.clear();
    EXPECT_EQ(a.cliente->Envia().troca.desfecho, Desfecho::ArquivoInacessivel);
    EXPECT_EQ(a.dialogos.tipos(), QStringList{"erro"});
}

TEST(Entrega, RefusedAuthAndConnectionsThatFailEndTheExchangeUntouched)
{
    QString recusada; // message 2 of a refused connection
    {
        apoio::ServidorFalso servidor([](apoio::Soquete fd) {
            apoio::leLinha(fd);
            apoio::envia(fd, resposta("401", "Credencial", "inv\xE1lida"));
        });
        Ambiente a(servidor.porta);
        EXPECT_EQ(a.cliente->Envia().troca.desfecho, Desfecho::Recusada);
        ASSERT_EQ(a.dialogos.tipos(), QStringList{"falha"});
        EXPECT_EQ(a.dialogos.itens[0].texto2, "inválida");
        EXPECT_TRUE(a.listada());
        EXPECT_TRUE(a.dadosPresentes());
    }
    {
        // A port where nothing listens.
        quint16 porta = 0;
        {
            apoio::ServidorFalso fechado(nullptr);
            porta = fechado.porta;
        }
        Ambiente a(porta);
        EXPECT_EQ(a.cliente->Envia().troca.desfecho, Desfecho::SemConexao);
        ASSERT_EQ(a.dialogos.tipos(), QStringList{"falha"});
        EXPECT_EQ(a.dialogos.itens[0].texto1, mensagemSemConexao1());
        // The advice, then the cause on a line of its own.
        EXPECT_TRUE(a.dialogos.itens[0].texto2.startsWith(mensagemSemConexao2() + "#13Causa: "))
            << a.dialogos.itens[0].texto2.toStdString();
        recusada = a.dialogos.itens[0].texto2;
        EXPECT_TRUE(a.listada());
    }
    {
        // A host name that does not exist reads apart from a refusal.
        Ambiente a(1);
        a.cliente->endereco().host = QStringLiteral("servidor-inexistente.invalid");
        a.cliente->limites().conexao = std::chrono::milliseconds(3000);
        EXPECT_EQ(a.cliente->Envia().troca.desfecho, Desfecho::SemConexao);
        ASSERT_EQ(a.dialogos.tipos(), QStringList{"falha"});
        EXPECT_TRUE(a.dialogos.itens[0].texto2.contains("#13Causa: "));
        EXPECT_NE(a.dialogos.itens[0].texto2, recusada);
    }
    {
        // A server whose queue is full never completes the handshake: the
        // connection attempt ends at its limit.
        apoio::ServidorFalso cheio(nullptr, 0);
        const apoio::Soquete ocupante = apoio::so::conectaLocal(cheio.porta);
        ASSERT_NE(ocupante, apoio::so::SoqueteInvalido);
        Ambiente a(cheio.porta);
        a.cliente->limites().conexao = std::chrono::milliseconds(300);
        QElapsedTimer t;
        t.start();
        EXPECT_EQ(a.cliente->Envia().troca.desfecho, Desfecho::SemConexao);
        EXPECT_LT(t.elapsed(), 2000);
        EXPECT_GE(t.elapsed(), 250);
        EXPECT_EQ(a.dialogos.tipos(), QStringList{"falha"});
        EXPECT_TRUE(a.dialogos.itens[0].texto2.contains("#13Causa: "));
        EXPECT_NE(a.dialogos.itens[0].texto2, recusada) << "a time-out reads apart from a refusal";
        apoio::so::fechaSoquete(ocupante);
    }
}

TEST(Entrega, ServerThatNeverAnswersEndsAtTheLimitWithoutSpinning)
{
    apoio::ServidorFalso servidor([](apoio::Soquete fd) {
        apoio::leLinha(fd);
        apoio::leBytes(fd, 1); // silent until the client gives up and closes
    });
    Ambiente a(servidor.porta);
    a.cliente->limites().resposta = std::chrono::milliseconds(500);
    QElapsedTimer t;
    t.start();
    const double cpu = cpuDaThread();
    const ResultadoEnvio r = a.cliente->Envia();
    const double gasto = cpuDaThread() - cpu;
    EXPECT_GE(t.elapsed(), 450);
    EXPECT_LT(t.elapsed(), 2000);
    // Waiting sleeps in poll(): the CPU time is a small part of the wait.
    EXPECT_LT(gasto, 0.1) << gasto;
    EXPECT_EQ(r.troca.desfecho, Desfecho::SemResposta);
    ASSERT_EQ(a.dialogos.tipos(), QStringList{"erro"});
    EXPECT_EQ(a.dialogos.itens[0].texto1, mensagemTempoEsgotado());
    EXPECT_TRUE(a.listada());
    EXPECT_TRUE(a.dadosPresentes());

    // Only short lines before the limit: the last one is parsed like a reply.
    apoio::ServidorFalso curto([](apoio::Soquete fd) {
        apoio::leLinha(fd);
        apoio::envia(fd, "ok\r\n");
        apoio::leBytes(fd, 1);
    });
    Ambiente b(curto.porta);
    b.cliente->limites().resposta = std::chrono::milliseconds(300);
    EXPECT_EQ(b.cliente->Envia().troca.desfecho, Desfecho::Recusada);
    EXPECT_EQ(b.dialogos.tipos(), (QStringList{"erro", "falha"}));
}

TEST(Entrega, ServerClosingMidTransferEndsAtOnce)
{
    apoio::ServidorFalso servidor([](apoio::Soquete fd) {
        apoio::leLinha(fd);
        apoio::envia(fd, resposta("200", "Pronto", ""));
        apoio::leBytes(fd, 1000);
        apoio::so::resetaAoFechar(fd); // the client's next sends fail
    });
    Ambiente a(servidor.porta, QByteArray(8 * 1024 * 1024, 'z'));
    a.cliente->limites().resposta = std::chrono::milliseconds(5000);
    QElapsedTimer t;
    t.start();
    const ResultadoEnvio r = a.cliente->Envia();
    EXPECT_LT(t.elapsed(), 3000);
    EXPECT_FALSE(r.troca.bytesEnviados);
    EXPECT_EQ(r.troca.desfecho, Desfecho::SemResposta);
    EXPECT_EQ(a.dialogos.tipos(), (QStringList{"aviso", "erro"}));
    // A reset is said to be one, not a time limit.
    EXPECT_EQ(a.dialogos.itens[1].texto1, mensagemConexaoEncerrada());
    EXPECT_TRUE(a.listada());
    EXPECT_TRUE(a.dadosPresentes());
}

TEST(Entrega, HostileReceiptNameIsRefusedAndNothingLeavesRecv)
{
    apoio::ServidorFalso servidor([](apoio::Soquete fd) {
        apoio::leLinha(fd);
        apoio::envia(fd, resposta("200", "", ""));
        apoio::leBytes(fd, 1300);
        apoio::envia(fd, resposta("201", "../../../fora/evil-1234", Registro.mid(22)));
        apoio::leBytes(fd, 1);
    });
    Ambiente a(servidor.porta);
    const ResultadoEnvio r = a.cliente->Envia();
    EXPECT_EQ(r.troca.desfecho, Desfecho::Recebida);
    EXPECT_FALSE(r.comprovanteGravado);
    // Not stored: the user never reads that it is available.
    ASSERT_EQ(a.dialogos.tipos(), (QStringList{"aviso", "erro"}));
    EXPECT_TRUE(a.dialogos.itens[1].texto1.contains("não foi gravado"));
    EXPECT_TRUE(QDir(a.pastaCliente + "/recv").isEmpty());
    EXPECT_FALSE(QFileInfo::exists(a.dir.filePath("fora")));
    // Not stored, so not marked: the archive can be sent or its receipt fetched again.
    EXPECT_TRUE(a.listada());
}

TEST(Busca, FetchStoresTheReceiptOrShowsTheRefusalWithItsCode)
{
    RelogioFixo relogio;
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("recv"));
    DialogosGravados dialogos;
    Cliente cliente(dir.path(), dialogos);
    cliente.limites().resposta = std::chrono::milliseconds(2000);
    {
        QByteArray comp;
        apoio::ServidorFalso servidor([&](apoio::Soquete fd) {
            comp = apoio::leLinha(fd);
            apoio::envia(fd, resposta("404", "Comprovante não encontrado", "Sem entrega"));
        });
        cliente.endereco().porta = servidor.porta;
        EXPECT_FALSE(cliente.BuscaRecibo("00000000000001", "20150007"));
        EXPECT_EQ(comp, "DATP/1.0 COMP 00000000000001@20150007 ORVA 3 myfile.rar\r\n");
        ASSERT_EQ(dialogos.tipos(), QStringList{"falha"});
        EXPECT_EQ(dialogos.itens[0].texto2, "Sem entrega404");
    }
    dialogos.itens.clear();
    {
        apoio::ServidorFalso servidor([&](apoio::Soquete fd) {
            apoio::leLinha(fd);
            apoio::envia(fd, resposta("201", "Localizado", Registro.mid(22)));
        });
        cliente.endereco().porta = servidor.porta;
        QString arquivo;
        EXPECT_TRUE(cliente.BuscaRecibo("00000000000001", "20150007", &arquivo));
        EXPECT_EQ(dialogos.tipos(), QStringList{"aviso"});
        EXPECT_EQ(QFileInfo(arquivo).fileName(), "0000000000000120150007.cmp");
        // The stored record is the key asked for and message 2.
        EXPECT_TRUE(apoio::le(arquivo).contains("Registro=" + Registro + "\r\n"));
        // No declaration was read in this run: type and rectification stay empty.
        EXPECT_TRUE(apoio::le(arquivo).contains("TipoProtocolo=\r\nRetificadora=\r\n"));
        EXPECT_EQ(cliente.comprovantes().arquivos, QStringList{"0000000000000120150007.cmp"});
    }
    dialogos.itens.clear();
    {
        // No reply at all: the time-limit box, then the empty reply is a refusal.
        apoio::ServidorFalso servidor([&](apoio::Soquete fd) {
            apoio::leLinha(fd);
            apoio::leBytes(fd, 1);
        });
        cliente.endereco().porta = servidor.porta;
        cliente.limites().resposta = std::chrono::milliseconds(200);
        EXPECT_FALSE(cliente.BuscaRecibo("00000000000001", "20150007"));
        ASSERT_EQ(dialogos.tipos(), (QStringList{"erro", "falha"}));
        EXPECT_EQ(dialogos.itens[1].texto1, "");
        EXPECT_EQ(dialogos.itens[1].texto2, "");
    }
}

// While the archive goes out, the progress tells the time left from the pace.
TEST(Andamento, TheSendingStageTellsTheTimeLeftFromItsPace)
{
    using namespace std::chrono_literals;
    orva::cliente::Andamento a;
    a.etapa = orva::cliente::Andamento::Etapa::Enviando;
    a.total = 10000;
    orva::cliente::EstimativaEnvio estimativa;
    const auto inicio = orva::cliente::Relogio::time_point{} + 10s;
    EXPECT_TRUE(orva::cliente::textoAndamento(a, inicio, estimativa).contains("calculando o tempo restante"));
    a.enviados = 2000;
    const QString texto = orva::cliente::textoAndamento(a, inicio + 2s, estimativa);
    EXPECT_TRUE(texto.startsWith("Enviando a declaração: 2.000 de 10.000 bytes")) << texto.toStdString();
    EXPECT_TRUE(texto.contains("cerca de 8 s restantes")) << texto.toStdString();
    a.etapa = orva::cliente::Andamento::Etapa::Aguardando;
    a.aposEnvio = true;
    EXPECT_FALSE(orva::cliente::textoAndamento(a, inicio + 3s, estimativa).contains("cerca de"));
}
