// orva-cli's invoice and apportionment commands, run as a script runs them,
// their --json answers parsed.
#include "support/orva_cli.h"
#include "support/sql.h"

#include <QTemporaryDir>

namespace {

using orvacli::Resposta;

// A program folder made by "orva-cli init" holding an invoice declarant with
// its open protocol 1 and transmitted protocol 2, and an apportionment
// declarant with its open protocol 5.
class Pasta {
public:
    Pasta()
    {
        EXPECT_EQ(cli({"init"}).saida, 0);
        conexao.open(m_dir.filePath("orva.mdb"));
        sql::executa(conexao, "Insert into Empresa Values ('00000000000191', 'COOPERATIVA DO VALE', '11222333000181', "
                              "'0111301', '0', '110001'), ('00000000000001', 'RATEIO LTDA', '', '', '1', '110002')");
        sql::executa(conexao, "Insert into Protocolo (Protocolo, Tipo_Protocolo, Tipo_Entrega, Exercicio, Inscricao, "
                              "DtTransmissao, Municipio) Values (1, 0, '1', '2015', '00000000000191', null, '110001'), "
                              "(2, 0, '1', '2015', '00000000000191', '2015-06-30', '110001'), "
                              "(5, 1, '1', '2015', '00000000000001', null, '110002')");
    }

    Resposta cli(const QStringList &argumentos) { return orvacli::roda(m_dir.path(), argumentos); }
    QString valor(const QString &statement) { return sql::valor(conexao, statement); }

    orva::db::Connection conexao;

private:
    QTemporaryDir m_dir;
};

} // namespace

TEST(OrvaCliLancamentos, InvoiceSaveListDelete)
{
    Pasta pasta;
    const QStringList nota{"invoice", "save", "--protocolo", "1", "--nf", "101", "--emissao", "15/03/2015",
                           "--valor", "1.234,56", "--emitente", "78865280", "--nota-origem", "31",
                           "--valor-origem", "1234,56"};
    Resposta r = pasta.cli(nota);
    ASSERT_EQ(r.saida, 0) << r.mensagens().toStdString();
    EXPECT_TRUE(r.json.value("ok").toBool());
    EXPECT_EQ(r.json.value("comando").toString(), "invoice");
    EXPECT_EQ(r.json.value("operacao").toString(), "I");
    const QJsonObject chave = r.json.value("chave").toObject();
    EXPECT_EQ(chave.value("nf").toString(), "0000000101");
    EXPECT_EQ(chave.value("inscricao").toString(), "00000000000191");
    EXPECT_EQ(chave.value("tipo").toString(), "NE");
    EXPECT_EQ(pasta.valor("Select MUNICIPIO_ORIGEM || ' ' || DTA_EMIT_NF From Notas"), "110063 2015-03-15");

    // Refused inputs change nothing and say why, in the window's words.
    const auto recusa = [&pasta](const QStringList &argumentos, const QString &mensagem) {
        const Resposta recusada = pasta.cli(argumentos);
        EXPECT_EQ(recusada.saida, 1) << argumentos.join(' ').toStdString();
        EXPECT_FALSE(recusada.json.value("ok").toBool());
        EXPECT_EQ(recusada.mensagens(), mensagem) << argumentos.join(' ').toStdString();
    };
    recusa(nota, "Nota Fiscal ja Cadastrada para este Exercicio !");
    recusa(QStringList(nota).replaceInStrings("1234,56", "1234,50"), // the origin value differs
           "O valor da nota fiscal de origem \nnão confere com o valor da nota fiscal de entrada !");
    recusa({"invoice", "save", "--protocolo", "2", "--nf", "7", "--valor", "1"},
           "Este número de protocolo não existe, \nja foi entregue, ou o é um protocolo de Rateio !");
    recusa({"invoice", "save", "--protocolo", "1", "--nf", "7", "--valor", "1", "--emitente", "12345"},
           "Inscrição Estadual do Emitente de origem esta Invalida !");
    recusa({"invoice", "save", "--protocolo", "1", "--nf", "7", "--tipo", "NP"},
           "Falta o Dados do Campo Valor Total da Nota Fiscal ");
    EXPECT_EQ(pasta.valor("Select Count(*) || ' ' || VALOR_NF From Notas"), "1 1234.56");

    r = pasta.cli({"invoice", "list", "--protocolo", "1"});
    ASSERT_EQ(r.saida, 0);
    const QJsonArray linhas = r.json.value("linhas").toArray();
    ASSERT_EQ(linhas.size(), 1);
    EXPECT_EQ(linhas.at(0).toObject().value("valor").toString(), "1234,56");
    EXPECT_EQ(linhas.at(0).toObject().value("operacao").toString(), "I");

    r = pasta.cli({"invoice", "delete", "--protocolo", "1", "--nf", "101"});
    EXPECT_EQ(r.saida, 0);
    EXPECT_EQ(r.json.value("exclusao").toString(), "apagada");
    r = pasta.cli({"invoice", "delete", "--protocolo", "1", "--nf", "101"});
    EXPECT_EQ(r.saida, 1) << "nothing to delete";
    EXPECT_TRUE(r.mensagens().contains("nada foi excluído"));

    // An emitter by CPF: eleven digits, kind 2, the producer's municipality.
    r = pasta.cli({"invoice", "save", "--protocolo", "1", "--nf", "102", "--valor", "10", "--tipo-emitente", "2",
                   "--emitente", "10538790911", "--nota-origem", "9", "--valor-origem", "10"});
    ASSERT_EQ(r.saida, 0) << r.mensagens().toStdString();
    const QJsonObject cpf = pasta.cli({"invoice", "list", "--protocolo", "1"}).json.value("linhas")[0].toObject();
    EXPECT_EQ(cpf.value("tipo-emitente").toString(), "2");
    EXPECT_EQ(cpf.value("emitente").toString(), "10538790911");
    EXPECT_EQ(cpf.value("municipio-origem").toString(), "110046");
}

TEST(OrvaCliLancamentos, ApportionmentSaveListDelete)
{
    Pasta pasta;
    sql::executa(pasta.conexao, "Insert into Rateio Values ('00000000000001', '2015', '110003', 30, 40, 2, 'I')");
    Resposta r = pasta.cli({"apportionment", "save", "--protocolo", "5", "--municipio", "110001", "--valor-entrada",
                            "1.234,56", "--valor-saida", "2,5"});
    ASSERT_EQ(r.saida, 0) << r.mensagens().toStdString();
    EXPECT_EQ(r.json.value("operacao").toString(), "I");
    EXPECT_EQ(r.json.value("chave").toObject().value("inscricao").toString(), "00000000000001");

    for (const auto &[argumentos, mensagem] : std::vector<std::pair<QStringList, QString>>{
             {{"--protocolo", "5", "--municipio", "110001", "--valor-entrada", "9", "--valor-saida", "9"},
              "Rateio ja Cadastrado para este Municipio !"},
             {{"--protocolo", "1", "--municipio", "110002", "--valor-entrada", "9", "--valor-saida", "9"},
              "Este número de protocolo não existe, \nja foi entregue, ou o é um protocolo de Notas Fiscais !"},
             {{"--protocolo", "5", "--municipio", "110002", "--valor-entrada", "0", "--valor-saida", "9"},
              "O valor das Entradas de Rateio deve ser maior que ZERO !"},
             {{"--protocolo", "5", "--municipio", "999999", "--valor-entrada", "9", "--valor-saida", "9"},
              "Falta os Dados do Campo Município de origem da Nota Fiscal"}}) {
        const Resposta recusada = pasta.cli(QStringList{"apportionment", "save"} + argumentos);
        EXPECT_EQ(recusada.saida, 1) << mensagem.toStdString();
        EXPECT_EQ(recusada.mensagens(), mensagem);
    }
    EXPECT_EQ(pasta.valor("Select Count(*) || ' ' || Sum(VALOR_ENTRADA) From Rateio"), "2 1264.56");

    // An earlier protocol's row is withdrawn into this one.
    r = pasta.cli({"apportionment", "delete", "--protocolo", "5", "--municipio", "110003"});
    EXPECT_EQ(r.saida, 0);
    EXPECT_EQ(r.json.value("exclusao").toString(), "retirado");

    r = pasta.cli({"apportionment", "list", "--protocolo", "5"});
    ASSERT_EQ(r.saida, 0);
    const QJsonArray linhas = r.json.value("linhas").toArray();
    ASSERT_EQ(linhas.size(), 2);
    EXPECT_EQ(linhas.at(0).toObject().value("valor-entrada").toString(), "1234,56");
    EXPECT_EQ(linhas.at(1).toObject().value("operacao").toString(), "E");
    EXPECT_EQ(linhas.at(1).toObject().value("protocolo").toString(), "5");
}
