// The receipts' store of a server made by an older version is upgraded when
// the server starts; one made by a newer version stops the start.
#include "server/consulta_postgres.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Starts a server on `banco`: the first line it prints, and whether it ended.
QByteArray inicia(const BancoPostgres &banco, const QTemporaryDir &dir, bool *terminou)
{
    QProcess p;
    p.start(QStringLiteral(ORVA_DATP_SERVER), {"--port", "0", "--data", dir.filePath("dados"), "--banco", banco.conexao()});
    QByteArray saida;
    while (!saida.contains('\n') && p.state() == QProcess::Running && p.waitForReadyRead(10000))
        saida += p.readAllStandardOutput();
    *terminou = p.waitForFinished(2000) && p.exitCode() != 0;
    saida += p.readAllStandardOutput() + p.readAllStandardError();
    p.kill();
    p.waitForFinished(5000);
    return saida;
}

} // namespace

TEST(VersaoDoArmazem, AStoreOfReceiptsAloneGetsItsHistoryAndANewerOneIsRefused)
{
    ORVA_REQUER_POSTGRES();
    BancoPostgres banco;
    QTemporaryDir dir;
    // The store as the first version of the server made it.
    ASSERT_TRUE(consulta(banco, "CREATE TABLE datp_comprovantes (chave char(22) PRIMARY KEY, registro bytea NOT NULL, "
                                "registro_protocolo bytea NOT NULL, arquivo text NOT NULL, tamanho bigint NOT NULL, "
                                "recebido_em timestamptz NOT NULL DEFAULT now())"));
    ASSERT_TRUE(consulta(banco, "INSERT INTO datp_comprovantes (chave, registro, registro_protocolo, arquivo, tamanho) "
                                "VALUES ('0000000000000120150007', 'r1', 'p1', 'a.rar', 10), "
                                "('0000000000000220150008', 'r2', 'p2', 'b.rar', 20)"));
    bool terminou = false;
    const QByteArray saida = inicia(banco, dir, &terminou);
    EXPECT_TRUE(saida.contains("comprovantes no banco")) << saida.toStdString();
    EXPECT_FALSE(terminou);
    QString valor;
    ASSERT_TRUE(consulta(banco, "SELECT versao FROM datp_versao", &valor));
    EXPECT_EQ(valor, "2");
    ASSERT_TRUE(consulta(banco, "SELECT string_agg(h.chave || ':' || convert_from(h.registro, 'LATIN1'), ',' ORDER BY h.id) "
                                "FROM datp_comprovantes_historico h JOIN datp_comprovantes c ON c.chave = h.chave "
                                "AND c.registro = h.registro",
                         &valor));
    EXPECT_EQ(valor, "0000000000000120150007:r1,0000000000000220150008:r2");
    // Started again: nothing joins the history twice.
    inicia(banco, dir, &terminou);
    ASSERT_TRUE(consulta(banco, "SELECT count(*) FROM datp_comprovantes_historico", &valor));
    EXPECT_EQ(valor, "2");

    ASSERT_TRUE(consulta(banco, "UPDATE datp_versao SET versao = 3"));
    const QByteArray recusa = inicia(banco, dir, &terminou);
    EXPECT_TRUE(terminou) << recusa.toStdString();
    EXPECT_TRUE(recusa.contains("versão mais nova")) << recusa.toStdString();
    ASSERT_TRUE(consulta(banco, "SELECT versao FROM datp_versao", &valor));
    EXPECT_EQ(valor, "3");
}
