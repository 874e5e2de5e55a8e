// From a company to a receipt with the real programs: orva-cli exports a
// protocol, delivers its archive to orva-datp-server on loopback and fetches
// the receipt again.
#include "client/apoio.h"
#include "server/servidor_teste.h"
#include "support/orva_cli.h"
#include "support/temp_program.h"
#include "support/sql.h"

#include "archiver/rar_archive.h"
#include "common/ini.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Saida {
    int codigo = -1;
    QString out, err;
};

Saida cli(const QStringList &argumentos)
{
    QProcess p;
    p.start(QStringLiteral(ORVA_DIST_DIR "/orva-cli" ORVA_EXE), argumentos);
    EXPECT_TRUE(p.waitForFinished(60000)) << "orva-cli did not end";
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

TEST(EntregaPontaAPonta, ExportDeliverAndFetchTheReceiptAgain)
{
    TempProgram program;
    sql::executa(dtmDados->ADOConnection, "Insert into Empresa Values ('00000000000001', 'CAÇA E PESCA LTDA', '12345678000195', '4711302', '0', '110001')");
    sql::executa(dtmDados->ADOConnection, "Insert into Protocolo (Protocolo, Tipo_Protocolo, Tipo_Entrega, Exercicio, Inscricao, DtGeracao, Crc, "
         "Responsavel, Razao, Cnpj, Municipio) Values (7, 0, '1', '2015', '00000000000001', '2015-03-05', '0', 'JOSÉ', "
         "'CAÇA E PESCA LTDA', '12345678000195', '110001')");
    sql::executa(dtmDados->ADOConnection, "Insert into Notas Values ('00000000000001', '2015', '110002', '0000000123', '2015-02-10', 'NP', 10.0, 1, "
         "'0000000000', '1900-01-01', 0, '00000000000000', '', 0, '', 7, 'I')");
    sql::executa(dtmDados->ADOConnection, "Insert into Notas Values ('00000000000001', '2015', '110003', '0000000124', '2015-04-01', 'NE', 2.5, 1, "
         "'0000000055', '2015-03-30', 1, '00000078865280', 'NP', 2.5, '110063', 7, 'A')");
    sql::executa(dtmDados->ADOConnection, "Insert into Notas Values ('00000000000001', '2015', '110004', '0000000125', '2015-05-15', 'NA', 1234.5, 1, "
         "'0000000000', '1900-01-01', 0, '00000000000000', '', 0, '', 7, 'E')");
    ASSERT_TRUE(QFile::copy(QStringLiteral(ORVA_DIST_DIR "/rar" ORVA_EXE), program.path("rar" ORVA_EXE)));
    const QString pasta = program.dir.path();

    Saida s = cli({"--dir", pasta, "export", "--protocolo", "7"});
    ASSERT_EQ(s.codigo, 0) << s.err.toStdString();
    const QString arquivo = program.path("enviar/Orva000700000000000001.rar");
    ASSERT_TRUE(QFileInfo::exists(arquivo));

    QTemporaryDir dadosServidor;
    ServidorDatp servidor(dadosServidor.path());
    const QString porta = QString::number(servidor.porta);
    s = cli({"--dir", pasta, "deliver", arquivo, "--port", porta});
    ASSERT_EQ(s.codigo, 0) << s.out.toStdString() << s.err.toStdString();
    EXPECT_TRUE(s.out.contains("Servidor pronto para receber Orva000700000000000001.rar")) << s.out.toStdString();
    EXPECT_TRUE(s.out.contains("O comprovante encontra-se disponível para impressão"));

    // The receipt, its ten keys in order, in the client's "recv".
    const QString recibo = program.path("ClienteOrvaDATP/recv/0000000000000120150007.cmp");
    orva::IniFile ini;
    ASSERT_TRUE(ini.load(recibo));
    EXPECT_EQ(ini.keys("CMP"), (QStringList{"Inscricao", "Referencia", "Protocolo", "TipoProtocolo", "Retificadora",
                                            "Data", "Razao", "QtdRegistro", "Controle", "Registro"}));
    EXPECT_EQ(ini.value("CMP", "TipoProtocolo"), "Nota Fiscal");
    EXPECT_EQ(ini.value("CMP", "Retificadora"), "NÃO");
    EXPECT_EQ(ini.value("CMP", "Razao"), "CAÇA E PESCA LTDA");
    EXPECT_EQ(ini.value("CMP", "QtdRegistro"), "000005");
    const QString registro = ini.value("CMP", "Registro");
    EXPECT_EQ(registro.size(), 104);
    EXPECT_TRUE(registro.startsWith("00000000000001" "2015" "0007" "00" "1"));

    // The archive is marked sent and the unpacked declaration file is gone.
    EXPECT_FALSE(QFileInfo::exists(arquivo));
    EXPECT_TRUE(QFileInfo::exists(program.path("enviar/Orva000700000000000001.ra_")));
    EXPECT_TRUE(QDir(program.path("enviar")).entryList({"*.exp"}, QDir::Files).isEmpty());
    // The client's settings file was created as on its first start.
    EXPECT_TRUE(QFileInfo::exists(program.path("ClienteOrvaDATP/ClienteORVA.INI")));

    // The same receipt fetched again.
    ASSERT_TRUE(QFile::remove(recibo));
    s = cli({"--dir", pasta, "receipt", "--inscricao", "1", "--exercicio", "2015", "--protocolo", "7", "--port", porta});
    ASSERT_EQ(s.codigo, 0) << s.out.toStdString() << s.err.toStdString();
    orva::IniFile denovo;
    ASSERT_TRUE(denovo.load(recibo));
    EXPECT_EQ(denovo.value("CMP", "Registro"), registro);

    // An unknown protocol: the refusal on stderr, no receipt, a failing status.
    s = cli({"--dir", pasta, "receipt", "--inscricao", "1", "--exercicio", "2015", "--protocolo", "8", "--port", porta});
    EXPECT_EQ(s.codigo, 1);
    EXPECT_TRUE(s.err.contains("Comprovante não encontrado.")) << s.err.toStdString();
}

// orva-cli deliver against a server that answers the AUTH with "200" and
// "201" at once and closes without reading: the archive did not go out
// whole, so the command fails, keeps no receipt and leaves the archive to be
// sent again.
TEST(EntregaPontaAPonta, A201ForAnArchiveThatDidNotGoOutWholeIsAFailure)
{
    QTemporaryDir dir;
    const QString enviar = dir.filePath("enviar"), cliente = dir.filePath("ClienteOrvaDATP");
    QDir().mkpath(enviar);
    QDir().mkpath(cliente + "/recv");
    ASSERT_TRUE(QFile::copy(QStringLiteral(ORVA_DIST_DIR "/rar" ORVA_EXE), cliente + "/rar" ORVA_EXE));
    const QString exp = enviar + "/Orva000700000000000001.exp", ruido = dir.filePath("ruido.bin");
    apoio::grava(exp, "10" + QByteArray(115, '0') + "\r\n"
                          + apoio::registro20("0007", "00", "01", "00000000000001") + "\r\n");
    QByteArray aleatorio(4 << 20, Qt::Uninitialized);
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(aleatorio.data()), aleatorio.size() / 4);
    apoio::grava(ruido, aleatorio);
    const QString arquivo = enviar + "/Orva000700000000000001.rar";
    QString erro;
    ASSERT_TRUE(orva::rar::add(arquivo, {exp, ruido}, &erro)) << erro.toStdString();
    ASSERT_TRUE(QFile::remove(exp));
    const QByteArray antes = apoio::le(arquivo);

    apoio::ServidorFalso servidor([](apoio::Soquete fd) {
        apoio::leLinha(fd);
        apoio::envia(fd, apoio::resposta("200", "Pronto", "")
                             + apoio::resposta("201", apoio::Registro.left(22), apoio::Registro.mid(22)));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        apoio::so::resetaAoFechar(fd);
    });
    const orvacli::Resposta r =
        orvacli::roda(dir.path(), {"deliver", arquivo, "--port", QString::number(servidor.porta)});
    orvacli::confere(r, "deliver", 1);
    EXPECT_TRUE(r.mensagens().contains(orva::cliente::mensagemEnvioIncompleto1())) << r.mensagens().toStdString();
    EXPECT_TRUE(QDir(cliente + "/recv").isEmpty());
    EXPECT_EQ(apoio::le(arquivo), antes);
    EXPECT_FALSE(QFileInfo::exists(enviar + "/Orva000700000000000001.ra_"));
}
