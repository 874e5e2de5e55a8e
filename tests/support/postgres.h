#pragma once
// A database of its own on the tests' PostgreSQL cluster, dropped afterwards.
// The cluster is named by ORVA_TEST_PG (a libpq key=value connection string,
// set by scripts/test.sh); without it the tests that need one skip:
//     ORVA_REQUER_POSTGRES();
//     BancoPostgres banco;
//     connection.open(banco.conexao());
#include <QAtomicInt>
#include <QCoreApplication>
#include <QString>

#include <libpq-fe.h>

#include <gtest/gtest.h>

#define ORVA_REQUER_POSTGRES()                                                                                      \
    do {                                                                                                           \
        if (BancoPostgres::servidor().isEmpty())                                                                   \
            GTEST_SKIP() << "ORVA_TEST_PG is not set: no PostgreSQL cluster for this test";                       \
    } while (false)

class BancoPostgres {
public:
    // The cluster's connection string; empty when there is none.
    static QString servidor() { return qEnvironmentVariable("ORVA_TEST_PG"); }

    BancoPostgres()
    {
        static QAtomicInt contador;
        m_nome = QStringLiteral("orva_t_%1_%2").arg(QCoreApplication::applicationPid()).arg(contador.fetchAndAddRelaxed(1));
        // A database left by an earlier run that was killed goes first.
        executa(QStringLiteral("drop database if exists %1 with (force)").arg(m_nome));
        m_criado = executa(QStringLiteral("create database %1").arg(m_nome));
    }
    ~BancoPostgres()
    {
        if (m_criado)
            executa(QStringLiteral("drop database if exists %1 with (force)").arg(m_nome));
    }
    BancoPostgres(const BancoPostgres &) = delete;
    BancoPostgres &operator=(const BancoPostgres &) = delete;

    const QString &nome() const { return m_nome; }
    // The connection string of this database (the cluster's, dbname replaced).
    QString conexao() const { return servidor() + QStringLiteral(" dbname=") + m_nome; }

    // Runs a statement on the cluster's maintenance database; false (and a
    // test failure) when it fails.
    static bool executa(const QString &sql)
    {
        PGconn *c = PQconnectdb(servidor().toUtf8().constData());
        bool ok = PQstatus(c) == CONNECTION_OK;
        if (ok) {
            PGresult *r = PQexec(c, sql.toUtf8().constData());
            ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
            PQclear(r);
        }
        EXPECT_TRUE(ok) << sql.toStdString() << ": " << PQerrorMessage(c);
        PQfinish(c);
        return ok;
    }

private:
    QString m_nome;
    bool m_criado = false;
};
