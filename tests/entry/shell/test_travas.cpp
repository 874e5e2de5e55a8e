// Two connections on one orva.mdb behave as two programs do: SQLite's locks
// hold between connections of one process as between processes.
#include "common/plataforma/soquete.h"
#include "support/motor.h"
#include "support/plataforma.h"
#include "support/sql.h"

#include "core/db/copiabanco.h"

#include <QElapsedTimer>

#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

using namespace orva::db;

namespace {

// A second program on the same database, with a short wait for locks.
struct OutroPrograma {
    explicit OutroPrograma(const QString &banco)
    {
        conexao.setBusyTimeout(200);
        conexao.open(banco);
    }
    Connection conexao;
};

void insereProdutos(Connection &c, int quantos)
{
    WriteTransaction t(c);
    for (int i = 1; i <= quantos; ++i)
        sql::executa(c, QStringLiteral("Insert into Produtos Values (%1, 'PRODUTO %1')").arg(i));
    t.commit();
}

} // namespace

TEST(Travas, AQueryLeftOpenHoldsNoLockAndStillReadsItsRowsInOrder)
{
    TempProgram program;
    Connection &c = program.connection();
    insereProdutos(c, 3000);

    // A grid that showed a screenful, a lookup that read its one row, both left open.
    Query grade(c);
    grade.setSql(QStringLiteral("Select Cod_Prod, Descricao From Produtos Order By Cod_Prod"));
    grade.open();
    ASSERT_TRUE(grade.hasRow(99));
    Query consulta(c);
    consulta.setSql(QStringLiteral("Select Descricao From Produtos Where Cod_Prod = 7"));
    consulta.open();
    EXPECT_EQ(consulta.field(0).asString(), "PRODUTO 7");

    OutroPrograma outro(TdtmDados::ArquivoBanco());
    EXPECT_EQ(sql::executa(outro.conexao, QStringLiteral("Insert into Produtos Values (5000, 'DO OUTRO')")), 1);
    EXPECT_EQ(sql::executa(outro.conexao, QStringLiteral("Update Produtos Set Descricao = 'NOVA' Where Cod_Prod = 2")), 1);

    // The grid goes on where it stopped, through rows read again after the park.
    for (int linha = 100; linha < 3000; linha += 37) {
        ASSERT_TRUE(grade.hasRow(linha));
        EXPECT_EQ(grade.valueAt(linha, 0).asInteger(), linha + 1) << linha;
    }
    for (int linha = 0; linha < 50; ++linha)
        EXPECT_EQ(grade.valueAt(linha, 0).asInteger(), linha + 1);
    EXPECT_TRUE(grade.hasRow(3000)); // the row the other program added
    EXPECT_EQ(grade.valueAt(3000, 0).asInteger(), 5000);
    EXPECT_FALSE(grade.hasRow(3001));
    // And again after every row was read.
    EXPECT_EQ(sql::executa(outro.conexao, QStringLiteral("Delete From Produtos Where Cod_Prod = 5000")), 1);
}

TEST(Travas, FailuresNameTheirCauseInPortuguese)
{
    TempProgram program;
    Connection &c = program.connection();
    OutroPrograma outro(TdtmDados::ArquivoBanco());

    // Another program in the middle of a write: ours waits its time, then says why.
    {
        WriteTransaction escrevendo(c);
        sql::executa(c, QStringLiteral("Insert into Produtos Values (1, 'UM')"));
        try {
            sql::executa(outro.conexao, QStringLiteral("Insert into Produtos Values (2, 'DOIS')"));
            FAIL() << "the second writer did not wait";
        } catch (const DatabaseError &e) {
            EXPECT_EQ(e.causa(), Causa::EmUso);
            EXPECT_TRUE(e.message().startsWith("O banco de dados está em uso por outro programa")) << e.message().toStdString();
            // SQLite's own English stays out of what the user reads.
            EXPECT_FALSE(e.message().contains("database is locked")) << e.message().toStdString();
        }
        // A transaction never committed leaves nothing.
    }
    EXPECT_EQ(sql::numero(c, QStringLiteral("Select count(*) From Produtos")), 0);

    // A row's own fault is not a database failure.
    sql::executa(c, QStringLiteral("Insert into Produtos Values (1, 'UM')"));
    try {
        sql::executa(c, QStringLiteral("Insert into Produtos Values (1, 'DE NOVO')"));
        FAIL() << "a duplicate key was accepted";
    } catch (const DatabaseError &e) {
        EXPECT_EQ(e.causa(), Causa::ChaveDuplicada);
        EXPECT_FALSE(e.doBanco());
    }

    // A database of another program lacks the tables: said in Portuguese.
    const QString alheio = program.path("alheio.db");
    Connection::create(alheio, QStringLiteral("create table outra (a integer);"));
    Connection estranho;
    estranho.open(alheio);
    try {
        sql::numero(estranho, QStringLiteral("Select Count(*) From Protocolo"));
        FAIL() << "a foreign database answered";
    } catch (const DatabaseError &e) {
        EXPECT_TRUE(e.message().startsWith("O banco de dados não tem a tabela Protocolo")) << e.message().toStdString();
        EXPECT_FALSE(e.message().contains("no such table")) << e.message().toStdString();
    }
}

TEST(Travas, OnAServerWritersWaitForEachOtherAndReadersSeeOneSnapshot)
{
    ORVA_REQUER_POSTGRES();
    ProgramaNoMotor program(Motor::Servidor);
    Connection &c = program.connection();
    OutroPrograma outro(program.alvo());
    {
        WriteTransaction escrevendo(c);
        sql::executa(c, QStringLiteral("Insert into Produtos Values (1, 'UM')"));
        // The second writer waits its time, then says why; it wrote nothing.
        try {
            WriteTransaction tambem(outro.conexao);
            FAIL() << "the second writer did not wait";
        } catch (const DatabaseError &e) {
            EXPECT_EQ(e.causa(), Causa::EmUso);
            EXPECT_TRUE(e.message().startsWith("O banco de dados está em uso por outro programa")) << e.message().toStdString();
        }
        EXPECT_FALSE(outro.conexao.inTransaction());
    }
    EXPECT_EQ(sql::numero(outro.conexao, QStringLiteral("Select count(*) From Produtos")), 0);
    // A read transaction sees its snapshot; a forward-only pass streams
    // through a cursor across another program's commit.
    insereProdutos(c, 2500);
    {
        ReadTransaction instantaneo(outro.conexao);
        Query passe(outro.conexao);
        passe.setForwardOnly(true);
        passe.setSql(QStringLiteral("Select Cod_Prod, Descricao From Produtos Where Cod_Prod > :pDe Order By Cod_Prod"));
        passe.parameters().add(QStringLiteral("pDe"), ParamKind::Integer).setValue(1);
        passe.open();
        sql::executa(c, QStringLiteral("Delete From Produtos Where Cod_Prod = 1500"));
        int linhas = 0;
        qint64 ultimo = 0;
        std::vector<StoredValue> valores;
        for (; !passe.eof(); passe.next()) {
            ASSERT_TRUE(passe.storedRow({0, 1}, valores));
            ultimo = valores[0].integer;
            ++linhas;
        }
        EXPECT_EQ(linhas, 2499);
        EXPECT_EQ(ultimo, 2500);
        EXPECT_EQ(sql::numero(outro.conexao, QStringLiteral("Select count(*) From Produtos")), 2500);
    }
    EXPECT_EQ(sql::numero(outro.conexao, QStringLiteral("Select count(*) From Produtos")), 2499);
}

// A server that stops answering (here: its process for this connection is
// stopped) ends a statement at the connection's deadline with a message,
// and a host that takes a connection but never speaks ends the open.
TEST(Travas, ASilentServerEndsTheWaitAtItsDeadline)
{
    ORVA_REQUER_POSTGRES();
    if (sistema::emWindows())
        GTEST_SKIP() << "Windows has no signal to stop a process and resume it";
    ProgramaNoMotor program(Motor::Servidor);
    Connection &c = program.connection();
    const qint64 processo = sql::numero(c, QStringLiteral("Select pg_backend_pid()"));
    ASSERT_TRUE(sistema::suspende(processo));
    struct Retoma {
        qint64 p;
        ~Retoma() { sistema::retoma(p); }
    } retoma{processo};
    c.setServerReplyTimeout(1500);
    QElapsedTimer relogio;
    relogio.start();
    try {
        sql::numero(c, QStringLiteral("Select count(*) From Produtos"));
        FAIL() << "the statement did not end";
    } catch (const DatabaseError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("não respondeu em 2 segundos"))) << e.message().toStdString();
    }
    EXPECT_LT(relogio.elapsed(), 5000);
    EXPECT_FALSE(c.isOpen());

    quint16 porta = 0;
    const orva::plataforma::Soquete escuta = orva::plataforma::escutaLocal(4, &porta);
    ASSERT_NE(escuta, orva::plataforma::SoqueteInvalido);
    Connection mudo;
    relogio.restart();
    EXPECT_THROW(mudo.open(QStringLiteral("host=127.0.0.1 port=%1 dbname=orva").arg(porta)), DatabaseError);
    EXPECT_LT(relogio.elapsed(), 15000);
    orva::plataforma::fechaSoquete(escuta);
}

// The same when the server stops in the middle of a bulk copy into it: the
// copy's sending waits under the deadline too.
TEST(Travas, ACopyIntoAServerThatStopsEndsAtTheDeadline)
{
    ORVA_REQUER_POSTGRES();
    if (sistema::emWindows())
        GTEST_SKIP() << "Windows has no signal to stop a process and resume it";
    ProgramaNoMotor program(Motor::Servidor);
    Connection origem;
    origem.open(program.path("orva.mdb"));
    {
        WriteTransaction t(origem);
        sql::executa(origem, QStringLiteral("With Recursive n(v) As (Select 1 Union All Select v + 1 From n Where v < 300000) "
                                            "Insert into Produtos (Cod_Prod, Descricao) Select v, 'PRODUTO DE NOME LONGO ' || v "
                                            "|| ' PARA ENCHER O SOQUETE' From n"));
        t.commit();
    }
    Connection &c = program.connection();
    const qint64 processo = sql::numero(c, QStringLiteral("Select pg_backend_pid()"));
    c.setServerReplyTimeout(2000);
    std::atomic<bool> suspenso{false};
    struct Retoma {
        qint64 p;
        std::atomic<bool> &suspenso;
        ~Retoma()
        {
            if (suspenso)
                sistema::retoma(p);
        }
    } retoma{processo, suspenso};
    std::thread suspende;
    QElapsedTimer relogio;
    relogio.start();
    try {
        orva::db::copiaBanco(origem, c, {QStringLiteral("Produtos")}, [&] {
            // The copy streams its rows once the table was emptied.
            sql::executa(c, QStringLiteral("Select 1"));
            suspende = std::thread([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(150));
                suspenso = sistema::suspende(processo);
            });
        });
        ADD_FAILURE() << "the copy ended although the server stopped";
    } catch (const DatabaseError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("não respondeu em 2 segundos"))) << e.message().toStdString();
    }
    EXPECT_LT(relogio.elapsed(), 20000);
    if (suspende.joinable())
        suspende.join();
    EXPECT_TRUE(suspenso);
}

TEST(Travas, VerifyRefusesEmptyForeignAndDamagedFilesAndCopyToMakesASoundCopy)
{
    TempProgram program;
    Connection &c = program.connection();
    insereProdutos(c, 2000);
    EXPECT_NO_THROW(TdtmDados::VerificaBanco(c));

    const QString copia = program.path("copia.mdb");
    {
        QFile vazio(copia);
        ASSERT_TRUE(vazio.open(QIODevice::WriteOnly));
    }
    {
        Connection destino;
        destino.open(copia);
        // A 0-byte file opens as an empty database: the check must refuse it.
        EXPECT_THROW(TdtmDados::VerificaBanco(destino), DatabaseError);
        c.copyTo(destino);
        EXPECT_NO_THROW(TdtmDados::VerificaBanco(destino));
        EXPECT_EQ(sql::numero(destino, QStringLiteral("Select count(*) From Produtos")), 2000);
    }

    // A page of the copy overwritten in its middle.
    {
        QFile f(copia);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        const qint64 meio = (f.size() / 2 / 4096) * 4096;
        f.seek(meio);
        f.write(QByteArray(4096, '\x5a'));
    }
    Connection danificada;
    danificada.open(copia);
    try {
        TdtmDados::VerificaBanco(danificada);
        FAIL() << "a damaged page passed the check";
    } catch (const DatabaseError &e) {
        EXPECT_EQ(e.causa(), Causa::Danificado);
        EXPECT_TRUE(e.message().startsWith("O banco de dados está danificado")) << e.message().toStdString();
    }

    // A file that is no database at all does not even open.
    const QString texto = program.path("texto.mdb");
    {
        QFile f(texto);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, 'x'));
    }
    Connection estranha;
    try {
        estranha.open(texto);
        FAIL() << "a text file opened as a database";
    } catch (const DatabaseError &e) {
        EXPECT_EQ(e.causa(), Causa::Danificado);
    }
}
