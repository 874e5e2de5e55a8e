#pragma once
// A fresh PostgreSQL database of the test's own on the cluster named by
// ORVA_TEST_PG, dropped afterwards; psql runs the test's own statements.
#include <QProcess>
#include <QString>
#include <QUuid>

#include <gtest/gtest.h>

class BancoTeste {
public:
    BancoTeste()
    {
        const QByteArray base = qgetenv("ORVA_TEST_PG");
        if (base.isEmpty())
            return;
        m_base = QString::fromUtf8(base);
        m_nome = QStringLiteral("datp_") + QUuid::createUuid().toString(QUuid::Id128).left(16);
        if (!psql(m_base, QStringLiteral("CREATE DATABASE %1").arg(m_nome)))
            m_nome.clear();
    }
    ~BancoTeste()
    {
        if (!m_nome.isEmpty())
            psql(m_base, QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(m_nome));
    }
    bool disponivel() const { return !m_nome.isEmpty(); }
    QString conexao() const { return m_base + QStringLiteral(" dbname=") + m_nome; }
    // Runs `sql`; its output (unaligned, tuples only) in *saida.
    bool executa(const QString &sql, QString *saida = nullptr) const { return psql(conexao(), sql, saida); }

private:
    static bool psql(const QString &conexao, const QString &sql, QString *saida = nullptr)
    {
        QProcess p;
        p.start(QStringLiteral("psql"), {QStringLiteral("-XqtA"), QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                                         QStringLiteral("-d"), conexao, QStringLiteral("-c"), sql});
        if (!p.waitForFinished(30000) || p.exitCode() != 0) {
            ADD_FAILURE() << "psql: " << sql.toStdString() << ": " << p.readAllStandardError().toStdString();
            return false;
        }
        if (saida)
            *saida = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
        return true;
    }
    QString m_base;
    QString m_nome;
};
