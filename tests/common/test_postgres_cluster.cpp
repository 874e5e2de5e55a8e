// The tests' PostgreSQL cluster: each test gets a database of its own, gone
// when the test ends.
#include "support/postgres.h"

TEST(ClusterPostgres, EachTestGetsItsOwnDatabaseDroppedAfterwards)
{
    ORVA_REQUER_POSTGRES();
    QString nome;
    {
        BancoPostgres banco;
        nome = banco.nome();
        PGconn *c = PQconnectdb(banco.conexao().toUtf8().constData());
        ASSERT_EQ(PQstatus(c), CONNECTION_OK) << PQerrorMessage(c);
        PGresult *r = PQexec(c, "select current_database()");
        EXPECT_EQ(QString::fromUtf8(PQgetvalue(r, 0, 0)), nome);
        PQclear(r);
        PQfinish(c);
    }
    PGconn *c = PQconnectdb(BancoPostgres::servidor().toUtf8().constData());
    PGresult *r = PQexec(c, ("select count(*) from pg_database where datname = '" + nome + "'").toUtf8().constData());
    EXPECT_EQ(QByteArray(PQgetvalue(r, 0, 0)), "0");
    PQclear(r);
    PQfinish(c);
}
