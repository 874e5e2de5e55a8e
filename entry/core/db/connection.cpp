#include "connection.h"

#include "core/db/postgres/motor_postgres.h"
#include "query.h"
#include "core/db/sqlite/motor_sqlite.h"
#include "traducao.h"
#include "versao.h"

#include <QFileInfo>

namespace orva::db {

Connection::~Connection() { close(); }

void Connection::open(const QString &path)
{
    close();
    if (ehServidor(path)) {
        m_motor = postgres::conecta(*this, path);
    } else {
        if (!QFileInfo(path).isFile())
            throw DatabaseError(QStringLiteral("Banco de dados não encontrado: %1\n"
                                               "Restaure a cópia de segurança ou reinstale o programa.")
                                    .arg(path),
                                Causa::NaoEncontrado);
        m_motor = sqlite::abre(*this, path, false);
    }
    m_path = path;
    try {
        m_motor->inicia();
    } catch (...) {
        close();
        throw;
    }
}

void Connection::close()
{
    if (!isOpen())
        return;
    ++m_generation;
    const std::set<Query *> open = m_queries;
    for (Query *query : open)
        query->close();
    Q_ASSERT(m_queries.empty());
    m_motor.reset();
}

void Connection::reopen()
{
    if (m_path.isEmpty())
        throw DatabaseError(QStringLiteral("Nenhum banco de dados foi aberto antes."));
    open(m_path);
}

Driver &Connection::motor() const
{
    if (!m_motor)
        throw DatabaseError(QStringLiteral("A conexão com o banco de dados está fechada."));
    return *m_motor;
}

bool Connection::inTransaction() const { return m_motor && m_motor->emTransacao(); }

void Connection::executeScript(const QString &sql) { motor().executaRoteiro(sql); }

void Connection::setBusyTimeout(int milliseconds)
{
    m_busyTimeout = milliseconds;
    if (m_motor)
        m_motor->defineEspera(milliseconds);
}

void Connection::verify(const QStringList &tables) { motor().verifica(tables); }

void Connection::copyTo(Connection &target) { motor().copiaPara(target.motor()); }

WriteTransaction::WriteTransaction(Connection &connection) : m_connection(connection)
{
    m_connection.executeScript(QStringLiteral("begin immediate"));
}

WriteTransaction::~WriteTransaction()
{
    if (m_open && m_connection.isOpen())
        m_connection.motor().desfazSemFalhar();
}

void WriteTransaction::commit()
{
    m_connection.executeScript(QStringLiteral("commit"));
    m_open = false;
}

void WriteTransaction::restart()
{
    if (m_open)
        commit();
    m_connection.executeScript(QStringLiteral("begin immediate"));
    m_open = true;
}

ReadTransaction::ReadTransaction(Connection &connection) : m_connection(connection)
{
    m_connection.motor().comecaLeitura();
}

ReadTransaction::~ReadTransaction()
{
    if (m_connection.isOpen())
        m_connection.motor().terminaLeitura();
}

void Connection::create(const QString &path, const QString &script) { sqlite::criaArquivo(path, script); }

void Connection::createOnServer(const QString &conexao, const QString &script)
{
    Connection connection;
    connection.open(conexao);
    if (!connection.servidor())
        throw DatabaseError(QStringLiteral("%1 não é uma conexão com um servidor PostgreSQL.").arg(conexao));
    WriteTransaction transaction(connection);
    connection.createSchemaOnServer(script);
    transaction.commit();
}

void Connection::createSchemaOnServer(const QString &script)
{
    motor().criaEsquema(script);
    marcaEsquemaAtual(*this);
}

bool Connection::hasServerSchema() { return motor().temEsquema(); }

} // namespace orva::db
