// Every orva-cli command with --json: one JSON object on stdout whose keys
// say the outcome, for a run that succeeds and for one that is refused.
#include "entry/import/notas_teste.h"
#include "server/servidor_teste.h"
#include "support/orva_cli.h"
#include "support/sql.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using orvacli::confere;
using orvacli::Resposta;
using orvacli::roda;

TEST(OrvaCliJson, EveryCommandAnswersOneObjectOnSuccessAndOnRefusal)
{
    QTemporaryDir pasta;
    const QString dir = pasta.path();

    Resposta r = roda(dir, {"init"});
    confere(r, "init", 0);
    EXPECT_EQ(r.json.value("banco").toString(), QDir(dir).absoluteFilePath("orva.mdb"));
    confere(roda(dir, {"init", "demais"}), "init", 1);
    ASSERT_TRUE(QFile::copy(QStringLiteral(ORVA_DIST_DIR "/rar" ORVA_EXE), QDir(dir).filePath("rar" ORVA_EXE)));

    {
        orva::db::Connection c;
        c.open(QDir(dir).filePath("orva.mdb"));
        sql::executa(c, "Insert into Empresa Values ('00000000000001', 'CAÇA E PESCA LTDA', '12345678000195', "
                        "'4711302', '0', '110001')");
        sql::executa(c, "Insert into Protocolo (Protocolo, Tipo_Protocolo, Tipo_Entrega, Exercicio, Inscricao, "
                        "DtGeracao, Crc, Responsavel, Razao, Cnpj, Municipio) Values (7, 0, '1', '2015', "
                        "'00000000000001', '2015-03-05', '0', 'JOSÉ', 'CAÇA E PESCA LTDA', '12345678000195', '110001')");
    }
    const QString notas = QDir(dir).filePath("notas.txt");
    notas_teste::gravaArquivo(notas, {notas_teste::notaNP("0000000001").linha(), notas_teste::notaNE("0000000002").linha()});
    const QString errada = QDir(dir).filePath("errada.txt");
    notas_teste::gravaArquivo(errada, {notas_teste::notaNP("0000000001").com(2, "2014").linha()});

    // validate and import: the report's own object carries the answer's keys.
    r = roda(dir, {"validate", "--protocolo", "7", notas});
    confere(r, "validate", 0);
    EXPECT_EQ(r.json.value("resumo").toObject().value("processados").toInt(), 2);
    r = roda(dir, {"validate", "--protocolo", "7", errada});
    confere(r, "validate", 1);
    EXPECT_EQ(r.json.value("erros").toArray().size(), 1);
    EXPECT_TRUE(r.mensagens().contains("erros")) << r.mensagens().toStdString();
    r = roda(dir, {"import", "--protocolo", "7", errada});
    confere(r, "import", 1);
    r = roda(dir, {"import", "--protocolo", "7", notas});
    confere(r, "import", 0);
    EXPECT_EQ(r.json.value("resumo").toObject().value("importados").toInt(), 2);
    EXPECT_EQ(r.json.value("importados").toInt(), 2);
    r = roda(dir, {"import", "--protocolo", "99", notas});
    confere(r, "import", 1);
    EXPECT_FALSE(r.json.contains("resumo")); // refused before any pass

    // export: the files written; a protocol not open is refused.
    r = roda(dir, {"export", "--protocolo", "7"});
    confere(r, "export", 0);
    const QString arquivo = r.json.value("arquivo_compactado").toString();
    EXPECT_TRUE(arquivo.endsWith("enviar/Orva000700000000000001.rar")) << arquivo.toStdString();
    EXPECT_EQ(r.json.value("linhas").toInt(), 2);
    EXPECT_TRUE(QFileInfo::exists(r.json.value("arquivo").toString()));
    r = roda(dir, {"export", "--protocolo", "7"});
    confere(r, "export", 1);
    EXPECT_FALSE(r.mensagens().isEmpty());

    // deliver and receipt against the reference server.
    QTemporaryDir dadosServidor;
    ServidorDatp servidor(dadosServidor.path());
    const QString porta = QString::number(servidor.porta);
    r = roda(dir, {"deliver", arquivo, "--port", porta});
    confere(r, "deliver", 0);
    const QString recibo = r.json.value("comprovante").toString();
    EXPECT_TRUE(recibo.endsWith("ClienteOrvaDATP/recv/0000000000000120150007.cmp")) << recibo.toStdString();
    EXPECT_TRUE(r.mensagens().contains("Servidor pronto para receber")) << r.mensagens().toStdString();
    confere(roda(dir, {"deliver", arquivo, "--port", porta}), "deliver", 1); // marked sent: gone
    r = roda(dir, {"receipt", "--inscricao", "1", "--exercicio", "2015", "--protocolo", "7", "--port", porta});
    confere(r, "receipt", 0);
    EXPECT_EQ(r.json.value("comprovante").toString(), recibo);
    r = roda(dir, {"receipt", "--inscricao", "1", "--exercicio", "2015", "--protocolo", "8", "--port", porta});
    confere(r, "receipt", 1);
    EXPECT_TRUE(r.mensagens().contains("Comprovante não encontrado.")) << r.mensagens().toStdString();

    // The maintenance commands.
    confere(roda(dir, {"restore"}), "restore", 1); // no backup yet
    confere(roda(dir, {"backup"}), "backup", 0);
    confere(roda(dir, {"compact"}), "compact", 0);
    r = roda(dir, {"restore"});
    confere(r, "restore", 0);
    EXPECT_FALSE(r.json.value("mensagem").toString().isEmpty());
    confere(roda(dir, {"compact", "demais"}), "compact", 1);

    // An unknown command still answers in JSON.
    confere(roda(dir, {"nada"}), "nada", 1);
}
