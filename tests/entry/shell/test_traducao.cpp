// Every construct the statements use that PostgreSQL spells otherwise.
#include "shell/db/traducao.h"

#include <gtest/gtest.h>

using orva::db::traduzParaPostgres;

TEST(Traducao, EachConstructTakesThePostgresForm)
{
    const struct {
        const char *original;
        const char *traduzido;
    } casos[] = {
        // Unchanged: plain statements, literals that look like something else, casts.
        {"Select * From Protocolo Where Protocolo = 7", "Select * From Protocolo Where Protocolo = 7"},
        {"Select * From Empresa Where Razao = 'A [B] :pX #1/2/2015# like'",
         "Select * From Empresa Where Razao = 'A [B] :pX #1/2/2015# like'"},
        {"select x::text from t", "select x::text from t"},
        // Named parameters become numbered ones; the same name keeps its number.
        {"Update Rateio Set VALOR_SAIDA = :pValorSaida Where MUNICIPIO = :pMunicipio And X = :PVALORSAIDA",
         "Update Rateio Set VALOR_SAIDA = $1 Where MUNICIPIO = $2 And X = $1"},
        // Bracketed names become quoted names.
        {"Select INSCRICAO AS [InscEst Declarante], x as [a]]b\"c] From vwRateio",
         "Select INSCRICAO AS \"InscEst Declarante\", x as \"a]b\"\"c\" From vwRateio"},
        // LIKE ignores case and has no escape character, as in the embedded database.
        {" Select * From Empresa Where Razao Like'%ÇÃO%' order by Razao",
         " Select * From Empresa Where Razao ILIKE'%ÇÃO%' ESCAPE '' order by Razao"},
        {"Select * From T Where a like :p And b = 1", "Select * From T Where a ILIKE $1 ESCAPE '' And b = 1"},
        {"Select * From T Where (a not like '%' || :p || '%')", "Select * From T Where (a not ILIKE '%' || $1 || '%' ESCAPE '')"},
        {"Select * From T Where a like 'x!%' escape '!'", "Select * From T Where a ILIKE 'x!%' escape '!'"},
        // Date literals, Top, ifnull, the embedded database's own settings.
        {"Select * From P Where DtGeracao = #03/05/2015# Or d = #2015-12-31#",
         "Select * From P Where DtGeracao = '2015-03-05' Or d = '2015-12-31'"},
        {"Select Top 10 * From Notas Order By NF", "Select * From Notas Order By NF LIMIT 10"},
        {"Select ifnull(Descricao, '') From Municipios", "Select coalesce(Descricao, '') From Municipios"},
        {"begin immediate", "begin; select pg_advisory_xact_lock(1330796097)"},
        {"BEGIN deferred", "BEGIN "},
        {"pragma cache_size = -16384", ""},
        {"pragma synchronous = off; pragma journal_mode = memory", ""},
        {"begin immediate; rollback", "begin; select pg_advisory_xact_lock(1330796097); rollback"},
        // A comment stays a comment: nothing inside it is changed.
        {"Select 1 -- [x] :p like\nFrom T", "Select 1 -- [x] :p like\nFrom T"},
    };
    for (const auto &caso : casos)
        EXPECT_EQ(traduzParaPostgres(QString::fromUtf8(caso.original)).sql, QString::fromUtf8(caso.traduzido))
            << caso.original;
}

TEST(Traducao, TheSchemaKeepsItsNamesAndTakesTheServersTypes)
{
    EXPECT_EQ(orva::db::esquemaParaPostgres(QStringLiteral("CREATE TABLE Rateio (\n    INSCRICAO TEXT COLLATE NOCASE NOT NULL,\n"
                                                           "    VALOR_SAIDA REAL,\n    PROTOCOLO INTEGER,\n    DtGeracao DATE,\n"
                                                           "    Valor_Notas REAL DEFAULT 0\n);\n"
                                                           "CREATE VIEW v AS SELECT a || IFNULL(m.Descricao, '') AS Municipio")),
              QStringLiteral("CREATE TABLE Rateio (\n    INSCRICAO TEXTO NOT NULL,\n    VALOR_SAIDA DOUBLE PRECISION,\n"
                             "    PROTOCOLO INTEGER,\n    DtGeracao DATE,\n    Valor_Notas DOUBLE PRECISION DEFAULT 0\n);\n"
                             "CREATE VIEW v AS SELECT a || coalesce(m.Descricao, '') AS Municipio"));
}

TEST(Traducao, ParametersAreListedInTheOrderOfTheirNumbers)
{
    const auto t = traduzParaPostgres(QStringLiteral("Select * From T Where a = :Chave1  And   b = :Chave2 Or c = :chave1"));
    EXPECT_EQ(t.parametros, (QStringList{QStringLiteral("Chave1"), QStringLiteral("Chave2")}));
}

TEST(Traducao, ConnectionStringsAreToldFromFilePaths)
{
    for (const char *servidor : {"postgresql://orva@db.escritorio/orva", "postgres://h/d", "host=/tmp/x user=orva dbname=d",
                                 "dbname=orva", "service=orva"})
        EXPECT_TRUE(orva::db::ehServidor(QString::fromLatin1(servidor))) << servidor;
    for (const char *arquivo : {"/home/ana/Orva/orva.mdb", "orva.mdb", "/tmp/host=1/orva.mdb", "C:/dbname/orva.mdb"})
        EXPECT_FALSE(orva::db::ehServidor(QString::fromLatin1(arquivo))) << arquivo;
}
