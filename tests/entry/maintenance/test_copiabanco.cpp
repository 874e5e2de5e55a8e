#include "support/motor.h"
#include "support/orva_cli.h"
#include "support/sql.h"

#include "core/maintenance/manutencao.h"
#include "core/db/copiabanco.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using orva::db::Connection;

namespace {

// Every kind of value a column holds: accents and the characters a COPY
// escapes, NULLs, amounts with cents and below zero, dates, whole numbers.
void preencheTodosOsTipos(Connection &c)
{
    sql::executa(c, "Insert into Empresa Values ('00000000000001', 'Açúcar & Café\tLtda', '12345678000199', NULL, '0', '110001')");
    sql::executa(c, "Insert into Empresa Values ('00000000000002', 'Linha\nquebrada \\ barra', NULL, '0111', '1', '110002')");
    sql::executa(c, "Insert into Protocolo (Protocolo, Tipo_Protocolo, Tipo_Entrega, Exercicio, Inscricao, DtGeracao, "
                    "DtTransmissao, Valor_Notas, Qtde_Notas) Values (7, 0, '1', '2024', '00000000000001', "
                    "'2024-02-29', NULL, 1234567.89, 2)");
    sql::executa(c, "Insert into Notas (INSCRICAO, EXERCICIO, MUNICIPIO, NF, DTA_EMIT_NF, TIPO, VALOR_NF, TIPO_EMITENTE, "
                    "NOTA_ORIGEM, DTA_NF_ORIGEM, VALOR_NF_ORIGEM, PROTOCOLO, OPERACAO) Values ('00000000000001', '2024', "
                    "'110001', '000123', '2024-12-31', 'NP', 0.1, 1, 'ÇÃO', '1999-01-01', -0.01, 7, 'I')");
    sql::executa(c, "Insert into Notas (INSCRICAO, EXERCICIO, MUNICIPIO, NF, TIPO, VALOR_NF, PROTOCOLO) Values "
                    "('00000000000001', '2024', '110002', '000001', 'NA', -1234567.5, 7)");
    sql::executa(c, "Insert into Rateio Values ('00000000000002', '2024', '110001', 100.25, -3.5, NULL, 'A')");
    sql::executa(c, "Insert into Produtos Values (3, 'Leite in natura')");
    sql::executa(c, "Insert into Produtor Values ('123', 'José da Silva', 'Sítio São João', '', '110003')");
}

// Every row of `tabela` in insertion order, each value with its kind.
std::string linhas(Connection &c, const QString &tabela)
{
    orva::db::Query q(c);
    q.setSql(QStringLiteral("Select * From %1 Order By rowid").arg(tabela));
    q.open();
    QStringList out;
    for (; !q.eof(); q.next()) {
        QStringList valores;
        for (int i = 0; i < q.fieldCount(); ++i) {
            // The server shows its rowid to a statement that names it.
            if (q.field(i).name().compare("rowid", Qt::CaseInsensitive) == 0)
                continue;
            const QVariant v = q.field(i).value();
            valores << QStringLiteral("%1:%2").arg(QString::fromLatin1(v.typeName()),
                                                   v.typeId() == QMetaType::Double ? QString::number(v.toDouble(), 'g', 17)
                                                                                   : v.toString());
        }
        out << valores.join(QLatin1Char('|'));
    }
    return out.join(QLatin1Char('\n')).toStdString();
}

void mesmasLinhas(Connection &a, Connection &b)
{
    for (const QString &tabela : orva::db::tabelasDoBanco())
        EXPECT_EQ(linhas(a, tabela), linhas(b, tabela)) << tabela.toStdString();
}

// The middle of a copy there and back: another file, or a server database.
struct Meio {
    explicit Meio(Motor motor)
    {
        if (motor == Motor::Servidor) {
            banco = std::make_unique<BancoPostgres>();
            orva::install::createServerDatabase(banco->conexao());
            conexao.open(banco->conexao());
        } else {
            orva::install::createDatabaseFile(pasta.filePath("orva.mdb"));
            conexao.open(pasta.filePath("orva.mdb"));
        }
    }
    QTemporaryDir pasta;
    std::unique_ptr<BancoPostgres> banco;
    Connection conexao;
};

ORVA_NOS_DOIS_MOTORES(CopiaBanco);

} // namespace

TEST_P(CopiaBanco, ThereAndBackGivesTheSameRowsOfEveryKindInTheSameOrder)
{
    TempProgram origem;
    preencheTodosOsTipos(origem.connection());
    Meio meio(GetParam());
    sql::executa(meio.conexao, "Insert into Produtos Values (9, 'SUBSTITUIDO')");

    const auto ida = orva::db::copiaBanco(origem.connection(), meio.conexao);
    ASSERT_EQ(ida.size(), static_cast<size_t>(orva::db::tabelasDoBanco().size()));
    EXPECT_EQ(ida.at(static_cast<size_t>(orva::db::tabelasDoBanco().indexOf("Notas"))).linhas, 2);
    mesmasLinhas(origem.connection(), meio.conexao);

    TempProgram volta;
    orva::db::copiaBanco(meio.conexao, volta.connection());
    mesmasLinhas(origem.connection(), volta.connection());
    EXPECT_EQ(sql::valor(volta.connection(), "Select DtGeracao From Protocolo"), "29/02/2024");
    EXPECT_EQ(sql::valor(volta.connection(), "Select Count(*) From Notas Where Inscricao = '00000000000001' And DTA_EMIT_NF Is Null"), "1");
    EXPECT_EQ(sql::integridade(volta.path("orva.mdb")), "ok");
}

TEST(CopiaBanco, ServerKeepsTheRowidsAndNumbersNewRowsPastThem)
{
    ORVA_REQUER_POSTGRES();
    TempProgram origem;
    preencheTodosOsTipos(origem.connection());
    sql::executa(origem.connection(), "Delete From Notas Where NF = '000123'");
    sql::executa(origem.connection(), "Insert into Notas (INSCRICAO, EXERCICIO, MUNICIPIO, NF, TIPO) Values "
                                      "('00000000000001', '2024', '110001', '000009', 'NP')");
    Meio meio(Motor::Servidor);
    orva::db::copiaBanco(origem.connection(), meio.conexao);
    EXPECT_EQ(linhas(origem.connection(), "Notas"), linhas(meio.conexao, "Notas"));
    EXPECT_EQ(sql::valor(meio.conexao, "Select Max(rowid) From Notas"), sql::valor(origem.connection(), "Select Max(rowid) From Notas"));
    sql::executa(meio.conexao, "Insert into Notas (INSCRICAO, EXERCICIO, MUNICIPIO, NF, TIPO) Values "
                               "('00000000000001', '2024', '110001', '000010', 'NP')");
    EXPECT_EQ(sql::valor(meio.conexao, "Select NF From Notas Order By rowid Desc"), "000010");
}

// A failure halfway (a table the target refuses) leaves every table of the
// target as it was, and the message names the table.
TEST_P(CopiaBanco, FailureHalfwayLeavesTheTargetUnchanged)
{
    TempProgram origem;
    preencheTodosOsTipos(origem.connection());
    Meio meio(GetParam());
    sql::executa(meio.conexao, "Insert into Produtos Values (9, 'FICA')");
    if (GetParam() == Motor::Servidor)
        // A whole-number column the file holds a text in: the server refuses it.
        sql::executa(origem.connection(), "Update Protocolo Set Qtde_Notas = 'dois'");
    else
        meio.conexao.executeScript("create trigger recusa before insert on Protocolo begin select raise(abort, 'recusada'); end");
    try {
        orva::db::copiaBanco(origem.connection(), meio.conexao);
        FAIL() << "the copy should fail";
    } catch (const orva::db::DatabaseError &e) {
        EXPECT_TRUE(e.message().startsWith("A tabela Protocolo não foi copiada")) << e.message().toStdString();
    }
    EXPECT_EQ(sql::valor(meio.conexao, "Select Descricao From Produtos"), "FICA");
    EXPECT_EQ(sql::numero(meio.conexao, "Select Count(*) From Empresa"), 0);
    // The connection is usable afterwards (no COPY or transaction left open).
    EXPECT_FALSE(meio.conexao.inTransaction());
    sql::executa(meio.conexao, "Insert into Produtos Values (10, 'DEPOIS')");
    EXPECT_EQ(sql::numero(meio.conexao, "Select Count(*) From Produtos"), 2);
}

TEST(CopiaBanco, RowCountThatDiffersFromTheSourceIsNotCommitted)
{
    TempProgram origem;
    preencheTodosOsTipos(origem.connection());
    Meio meio(Motor::Arquivo);
    meio.conexao.executeScript("create trigger apaga after insert on Produtor begin delete from Produtor; end");
    try {
        orva::db::copiaBanco(origem.connection(), meio.conexao);
        FAIL() << "the copy should fail";
    } catch (const orva::db::DatabaseError &e) {
        EXPECT_TRUE(e.message().startsWith("A tabela Produtor não foi copiada: a origem tem 11 linhas, foram lidas 11 e o "
                                           "destino ficou com 0."))
            << e.message().toStdString();
    }
    EXPECT_EQ(sql::numero(meio.conexao, "Select Count(*) From Produtos"), 0);
}

// A table added to the schema must be copied too.
TEST(CopiaBanco, CopiesEveryTableOfTheSchema)
{
    TempProgram programa;
    orva::db::Query q(programa.connection());
    q.setSql("Select name From sqlite_master Where type = 'table'");
    q.open();
    QStringList tabelas;
    for (; !q.eof(); q.next())
        tabelas << q.field(0).asString();
    QStringList copiadas = orva::db::tabelasDoBanco();
    tabelas.sort();
    copiadas.sort();
    EXPECT_EQ(tabelas, copiadas);
}

// orva-cli copy: a folder's orva.mdb into an empty server database (the
// tables made in the same run), refused a second time, and back into another
// folder.
TEST(CopiaBanco, OrvaCliCopiesToAnEmptyServerAndBack)
{
    ORVA_REQUER_POSTGRES();
    BancoPostgres banco;
    TempProgram origem;
    preencheTodosOsTipos(origem.connection());
    const QString pasta = origem.dir.path();

    orvacli::Resposta r = orvacli::roda(pasta, {"copy", "--para", banco.conexao()});
    orvacli::confere(r, "copy", 0);
    EXPECT_EQ(r.json.value("tabelas").toObject().value("Empresa").toInt(), 2);
    EXPECT_EQ(r.json.value("tabelas").toObject().value("Notas").toInt(), 2);

    r = orvacli::roda(pasta, {"copy", "--para", banco.conexao()});
    orvacli::confere(r, "copy", 1);
    EXPECT_TRUE(r.mensagens().contains("já tem empresas cadastradas")) << r.mensagens().toStdString();

    TempProgram destino;
    sql::executa(destino.connection(), "Insert into Produtos Values (9, 'SUBSTITUIDO')");
    r = orvacli::roda(destino.dir.path(), {"copy", "--de", banco.conexao()});
    orvacli::confere(r, "copy", 0);
    mesmasLinhas(origem.connection(), destino.connection());

    orvacli::confere(orvacli::roda(pasta, {"copy"}), "copy", 1);
    orvacli::confere(orvacli::roda(pasta, {"copy", "--de", banco.conexao(), "--para", banco.conexao()}), "copy", 1);
}
