// The registrations through the real orva-cli, answering in JSON.
#include "support/orva_cli.h"
#include "support/sql.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using orvacli::Resposta;

// A program folder made by orva-cli init; commands run on it with --json.
class PastaCli {
public:
    PastaCli() { EXPECT_EQ(roda({"init"}).saida, 0); }

    Resposta roda(const QStringList &argumentos) const { return orvacli::roda(m_dir.path(), argumentos); }

    // The one row a list answers.
    QJsonObject unicaLinha(const QStringList &lista) const
    {
        const Resposta r = roda(lista);
        EXPECT_EQ(r.saida, 0);
        const QJsonArray linhas = r.json.value("linhas").toArray();
        EXPECT_EQ(linhas.size(), 1);
        return linhas.first().toObject();
    }

    qint64 numero(const QString &statement) const
    {
        orva::db::Connection c;
        c.open(m_dir.filePath(QStringLiteral("orva.mdb")));
        return sql::numero(c, statement);
    }
    void executa(const QString &statement) const
    {
        orva::db::Connection c;
        c.open(m_dir.filePath(QStringLiteral("orva.mdb")));
        sql::executa(c, statement);
    }

private:
    QTemporaryDir m_dir;
};

} // namespace

TEST(CliCadastros, CompanySaveRefusesWithTheWindowMessagesThenSavesUpdatesListsAndDeletes)
{
    PastaCli pasta;
    const QStringList acme{"company", "save", "--inscricao", "124", "--cnpj", "12345678000195", "--razao-social",
                           "acme comércio", "--cnae", "0111301", "--tipo-declaracao", "1", "--municipio", "110001"};

    Resposta r = pasta.roda(QStringList(acme).replaceInStrings("12345678000195", "12345678000194"));
    EXPECT_EQ(r.saida, 1);
    EXPECT_FALSE(r.json.value("ok").toBool());
    EXPECT_EQ(r.mensagens(), QStringLiteral("CNPJ/CPF invalido !"));
    r = pasta.roda({"company", "save", "--inscricao", "124"});
    EXPECT_EQ(r.saida, 1);
    EXPECT_EQ(r.mensagens(), QStringLiteral("Falta o Dados do Campo Razão Social do Declarante"));
    EXPECT_EQ(pasta.numero("Select count(*) From Empresa"), 0) << "a refused input changes nothing";

    r = pasta.roda(acme);
    ASSERT_EQ(r.saida, 0) << r.mensagens().toStdString();
    EXPECT_EQ(r.json.value("comando").toString(), QStringLiteral("company"));
    EXPECT_EQ(r.json.value("chave").toString(), QStringLiteral("00000000000124"));
    EXPECT_EQ(r.mensagens(), QStringLiteral("Registro Gravado !"));

    // Options left out keep what is stored.
    r = pasta.roda({"company", "save", "--inscricao", "00000000000124", "--municipio", "110002"});
    ASSERT_EQ(r.saida, 0) << r.mensagens().toStdString();
    const QJsonObject empresa = pasta.unicaLinha({"company", "list"});
    EXPECT_EQ(empresa.value("razao-social").toString(), QStringLiteral("ACME COMÉRCIO"));
    EXPECT_EQ(empresa.value("municipio").toString(), QStringLiteral("110002"));
    EXPECT_EQ(empresa.value("tipo-declaracao").toString(), QStringLiteral("1"));

    EXPECT_EQ(pasta.roda({"company", "delete", "--inscricao", "60"}).saida, 1);
    EXPECT_EQ(pasta.roda({"company", "rename"}).saida, 2);
    EXPECT_EQ(pasta.roda({"company", "save", "--cnpj", "1"}).saida, 2);
    r = pasta.roda({"company", "delete", "--inscricao", "124"});
    EXPECT_EQ(r.saida, 0);
    EXPECT_EQ(r.json.value("chave").toString(), QStringLiteral("00000000000124"));
    EXPECT_EQ(pasta.numero("Select count(*) From Empresa"), 0);
}

TEST(CliCadastros, ProtocolNewKeepsOneOpenPerCompanyAndSaveReopenDeleteAndListFollowTheWindowRules)
{
    PastaCli pasta;
    ASSERT_EQ(pasta.roda({"company", "save", "--inscricao", "1", "--cnpj", "11111111111", "--razao-social", "alfa",
                          "--cnae", "0111301", "--tipo-declaracao", "1", "--municipio", "110001"})
                  .saida,
              0);
    const QStringList novo{"protocol", "new", "--inscricao", "1", "--tipo-entrega", "1", "--responsavel", "ana",
                           "--crc", "0"};

    Resposta r = pasta.roda({"protocol", "new", "--inscricao", "1", "--tipo-entrega", "9", "--responsavel", "ana",
                             "--crc", "0"});
    EXPECT_EQ(r.saida, 1);
    EXPECT_TRUE(r.mensagens().contains("Tipo_Entrega")) << r.mensagens().toStdString();
    EXPECT_EQ(pasta.roda({"protocol", "new", "--inscricao", "1"}).saida, 2);
    r = pasta.roda({"table", "list", "--tabela", "tipo_entrega"}); // the codes the user may give
    ASSERT_EQ(r.saida, 0);
    EXPECT_EQ(r.json.value("linhas").toArray().first().toObject().value("descricao").toString(), QStringLiteral("Normal"));
    EXPECT_EQ(pasta.roda({"table", "list", "--tabela", "Empresa; drop table Empresa"}).saida, 1);
    EXPECT_EQ(pasta.numero("Select count(*) From Protocolo"), 0);
    r = pasta.roda(novo);
    ASSERT_EQ(r.saida, 0) << r.mensagens().toStdString();
    EXPECT_EQ(r.json.value("chave").toString(), QStringLiteral("1"));
    r = pasta.roda(novo);
    EXPECT_EQ(r.saida, 1);
    EXPECT_TRUE(r.mensagens().startsWith("Esta empresa ja possui um protocolo cadastrado que não foi transmitido"));
    EXPECT_TRUE(r.mensagens().endsWith("Protocolo aberto: 1.")) << r.mensagens().toStdString();

    r = pasta.roda({"protocol", "save", "--protocolo", "1", "--responsavel", "maria"});
    ASSERT_EQ(r.saida, 0) << r.mensagens().toStdString();
    EXPECT_EQ(pasta.roda({"protocol", "save", "--protocolo", "2", "--crc", "1"}).saida, 1);

    pasta.executa("Update Protocolo Set DtTransmissao = '2015-06-01'");
    const QJsonObject protocolo = pasta.unicaLinha({"protocol", "list"});
    EXPECT_EQ(protocolo.value("responsavel").toString(), QStringLiteral("MARIA"));
    EXPECT_EQ(protocolo.value("tipo-protocolo").toString(), QStringLiteral("1"));
    EXPECT_EQ(protocolo.value("exercicio").toString(), QStringLiteral("2015"));
    EXPECT_EQ(protocolo.value("razao-social").toString(), QStringLiteral("ALFA"));
    EXPECT_EQ(protocolo.value("data-transmissao").toString(), QStringLiteral("01/06/2015"));

    // A transmitted protocol is reopened; one that does not exist is named.
    r = pasta.roda({"protocol", "reopen", "--protocolo", "7"});
    EXPECT_EQ(r.saida, 1);
    EXPECT_TRUE(r.mensagens().startsWith("O protocolo 7 não existe"));
    r = pasta.roda({"protocol", "reopen", "--protocolo", "1"});
    EXPECT_EQ(r.saida, 0);
    EXPECT_EQ(r.mensagens(), QStringLiteral("Protocolo ReAberto com sucesso !"));
    EXPECT_EQ(pasta.numero("Select count(*) From Protocolo Where DtTransmissao is Null"), 1);

    r = pasta.roda({"protocol", "delete", "--protocolo", "1"});
    EXPECT_EQ(r.saida, 0) << r.mensagens().toStdString();
    EXPECT_EQ(pasta.numero("Select count(*) From Protocolo"), 0);
}
