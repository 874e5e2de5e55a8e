#include "support/motor.h"
#include "support/sql.h"

#include "core/db/query.h"
#include "core/db/statement.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace orva::db;

namespace {

void insertCompany(Connection &c, const QString &inscricao, const QString &razao)
{
    Command cmd(c);
    cmd.setCommandText(QStringLiteral("Insert into Empresa (Inscricao,Razao,Cnpj,Cnae,Tipo_Declara,Municipio ) "
                                      "Values (:InscEst, :RazaoSocial, '11111111111', '4711302', '0', '110001')"));
    cmd.parameters().add(QStringLiteral("InscEst"), ParamKind::Text).setValue(inscricao);
    cmd.parameters().add(QStringLiteral("RazaoSocial"), ParamKind::Text).setValue(razao);
    EXPECT_EQ(cmd.execute(), 1);
}

int count(Connection &c, const QString &sql)
{
    Query q(c);
    q.setSql(sql);
    q.open();
    return q.recordCount();
}

QString rawValue(Connection &c, const QString &sql)
{
    Query q(c);
    q.setSql(sql);
    q.open();
    return q.field(0).value().toString();
}

} // namespace

ORVA_NOS_DOIS_MOTORES(Database);

TEST_P(Database, TextComparisonIgnoresCaseOfAccentedLettersToo)
{
    ProgramaNoMotor program(GetParam());
    Connection &c = program.connection();
    insertCompany(c, QStringLiteral("00000000000001"), QStringLiteral("CONSTRUÇÃO ÁGUA LTDA"));
    insertCompany(c, QStringLiteral("00000000000060"), QStringLiteral("Padaria Pão Doce"));

    EXPECT_EQ(count(c, QStringLiteral("Select * From Empresa Where Razao = 'construção água ltda'")), 1);
    EXPECT_EQ(count(c, QStringLiteral(" Select * From Empresa Where Razao Like'%ÇÃO á%' order by Razao")), 1);
    EXPECT_EQ(count(c, QStringLiteral("Select * From Empresa Where Razao like 'PADARIA P_O%'")), 1);
    EXPECT_EQ(count(c, QStringLiteral("Select * From Empresa Where Razao like '%a%'")), 2);
    // Accents still count: "PAO" is not "PÃO".
    EXPECT_EQ(count(c, QStringLiteral("Select * From Empresa Where Razao like '%pao%'")), 0);
    // "_" is any one character, "\\" and "*" only themselves.
    EXPECT_EQ(count(c, QStringLiteral("Select * From Empresa Where Razao like 'padaria p_o doce'")), 1);
    EXPECT_EQ(count(c, QStringLiteral("Select * From Empresa Where Razao like '%\\%' or Razao like 'P*'")), 0);
    // LIKE on a text the view builds, as the search window runs it.
    sql::executa(c, QStringLiteral("Insert into Rateio Values ('00000000000001', '2015', '110001', 1, 2, 1, 'I')"));
    EXPECT_EQ(count(c, QStringLiteral(" Select * From vwRateio Where Municipio Like'%água azul%' order by Municipio")), 1);
    // The key of a row is found whatever the case of the text typed.
    EXPECT_EQ(count(c, QStringLiteral("Select * From Tipo_Entrada Where Codigo = 'ne'")), 1);
    // Ordering follows the same folding.
    Query q(c);
    q.setSql(QStringLiteral("Select Razao From Empresa order by Razao"));
    q.open();
    EXPECT_EQ(q.field(0).asString(), QStringLiteral("CONSTRUÇÃO ÁGUA LTDA"));
}

TEST_P(Database, DatesAndAmountsRoundTripThroughParameters)
{
    ProgramaNoMotor program(GetParam());
    Connection &c = program.connection();
    Command cmd(c);
    cmd.setCommandText(QStringLiteral(
        "Insert into Rateio ( INSCRICAO, EXERCICIO, MUNICIPIO, VALOR_ENTRADA, VALOR_SAIDA, PROTOCOLO, OPERACAO )"
        "Values ( :pInscricao, :pExercicio, :pMunicipio, :pValorEntrada, :pValorSaida, :pProtocolo,'I' )"));
    cmd.parameters().add(QStringLiteral("pInscricao"), ParamKind::Text).setValue(QStringLiteral("00000000000001"));
    cmd.parameters().add(QStringLiteral("pExercicio"), ParamKind::Text).setValue(QStringLiteral("2015"));
    cmd.parameters().add(QStringLiteral("pMunicipio"), ParamKind::Text).setValue(QStringLiteral("110001"));
    cmd.parameters().add(QStringLiteral("pValorEntrada"), ParamKind::Float).setValue(QStringLiteral("1.234,56"));
    cmd.parameters().add(QStringLiteral("pValorSaida"), ParamKind::Float).setValue(QStringLiteral("12,5"));
    cmd.parameters().add(QStringLiteral("pProtocolo"), ParamKind::Integer).setValue(QStringLiteral("7"));
    cmd.execute();

    Query q(c);
    q.setSql(QStringLiteral("Select * From Rateio Where Protocolo = 7"));
    q.open();
    EXPECT_DOUBLE_EQ(q.fieldByName(QStringLiteral("valor_entrada")).asFloat(), 1234.56);
    EXPECT_EQ(q.fieldByName(QStringLiteral("VALOR_ENTRADA")).asString(), QStringLiteral("1234,56"));
    EXPECT_EQ(q.fieldByName(QStringLiteral("Valor_Saida")).asString(), QStringLiteral("12,5"));
    EXPECT_EQ(q.fieldByName(QStringLiteral("protocolo")).asInteger(), 7);
    EXPECT_EQ(q.field(0).asString(), QStringLiteral("00000000000001"));
    q.close();

    Command prot(c);
    prot.setCommandText(QStringLiteral("Insert into Protocolo (Protocolo, Tipo_Protocolo, Inscricao, DtGeracao, DtTransmissao) "
                                       "Values (1, 1, '00000000000001', :pData, :pNada)"));
    prot.parameters().add(QStringLiteral("pData"), ParamKind::Date).setValue(QStringLiteral("5/3/2015"));
    prot.parameters().add(QStringLiteral("pNada"), ParamKind::Date).setNull();
    prot.execute();
    EXPECT_EQ(rawValue(c, QStringLiteral("Select DtGeracao From Protocolo")), QStringLiteral("2015-03-05"));
    q.setSql(QStringLiteral("Select * From Protocolo Where DtTransmissao is null"));
    q.open();
    EXPECT_EQ(q.fieldByName(QStringLiteral("DtGeracao")).asString(), QStringLiteral("05/03/2015"));
    EXPECT_TRUE(q.fieldByName(QStringLiteral("DtTransmissao")).isNull());
    EXPECT_EQ(q.fieldByName(QStringLiteral("DtTransmissao")).asString(), QString());
    EXPECT_EQ(q.fieldByName(QStringLiteral("Valor_Notas")).asString(), QStringLiteral("0"));
    q.close();
    // Sums and counts read as the embedded database gives them.
    EXPECT_EQ(sql::valor(c, QStringLiteral("Select Sum(VALOR_ENTRADA) as Resultado from Rateio where protocolo = 7")),
              QStringLiteral("1234,56"));
    EXPECT_EQ(sql::valor(c, QStringLiteral("Select Count(Municipio) as Resultado from Rateio where protocolo = 7")),
              QStringLiteral("1"));
    EXPECT_EQ(sql::valor(c, QStringLiteral("Select Max(Protocolo) + 1 as Codigo From Protocolo")), QStringLiteral("2"));
    EXPECT_EQ(sql::valor(c, QStringLiteral("Select Sum(Protocolo) From Protocolo")), QStringLiteral("1"));
}

TEST(Database, ValuesThatDoNotConvertAreRefused)
{
    Parameters params;
    Parameter &amount = params.add(QStringLiteral("pValor"), ParamKind::Float);
    // A misplaced group separator is refused rather than read as 1.23456 or 123456.
    for (const char *bad : {"1.23456", "abc", "", "12.50", "1,2,3"})
        EXPECT_THROW(amount.setValue(QString::fromLatin1(bad)), DatabaseError) << bad;
    amount.setValue(QStringLiteral("1.234.567,8"));
    EXPECT_DOUBLE_EQ(amount.value().toDouble(), 1234567.8);
    amount.setValue(QStringLiteral("-0,05"));
    EXPECT_DOUBLE_EQ(amount.value().toDouble(), -0.05);

    Parameter &date = params.add(QStringLiteral("pData"), ParamKind::Date);
    for (const char *bad : {"31/02/2015", "2015-03-05", "05/03", "hoje"})
        EXPECT_THROW(date.setValue(QString::fromLatin1(bad)), DatabaseError) << bad;
    Parameter &whole = params.add(QStringLiteral("pNumero"), ParamKind::Integer);
    EXPECT_THROW(whole.setValue(QStringLiteral("12a")), DatabaseError);
}

TEST_P(Database, FailuresAreExceptionsWithReadableMessages)
{
    ProgramaNoMotor program(GetParam());
    Connection &c = program.connection();
    Query q(c);
    q.setSql(QStringLiteral("Select * From Municipios Where Nada = 1"));
    try {
        q.open();
        FAIL() << "unknown column accepted";
    } catch (const DatabaseError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("Nada"), Qt::CaseInsensitive)) << e.message().toStdString();
    }
    EXPECT_FALSE(q.isOpen());

    q.setSql(QString());
    EXPECT_THROW(q.open(), DatabaseError);

    q.setSql(QStringLiteral("Select * From Municipios Where Codigo = :Chave1"));
    EXPECT_THROW(q.open(), DatabaseError); // no value given

    EXPECT_THROW(q.fieldByName(QStringLiteral("Codigo")), DatabaseError); // not open

    // A duplicate key, whatever its letter case, says so in the same words on both engines.
    Command dup(c);
    dup.setCommandText(QStringLiteral("Insert into Tipo_Entrada (Codigo, Descricao) Values ('np', 'de novo')"));
    try {
        dup.execute();
        FAIL() << "a duplicate key was accepted";
    } catch (const DatabaseError &e) {
        EXPECT_EQ(e.causa(), Causa::ChaveDuplicada);
        EXPECT_FALSE(e.doBanco());
        EXPECT_EQ(e.message().toLower(), QStringLiteral("já existe um registro com esta chave: nada foi gravado. confira os "
                                                        "dados digitados ou altere o registro existente.\n"
                                                        "(tipo_entrada: codigo)"));
    }
}

TEST(Database, AMissingDatabaseIsNeverCreated)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("orva.mdb"));
    Connection c;
    EXPECT_THROW(c.open(path), DatabaseError);
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_FALSE(c.isOpen());
    EXPECT_THROW(c.reopen(), DatabaseError);

    QFile junk(dir.filePath(QStringLiteral("junk.mdb")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    EXPECT_THROW(c.open(junk.fileName()), DatabaseError);
}

TEST_P(Database, CloseReopenAndRowsReadOnDemand)
{
    ProgramaNoMotor program(GetParam());
    Connection &c = program.connection();
    Query q(c);
    q.setSql(QStringLiteral("Select Codigo, Descricao From Municipios order by Codigo"));
    q.open();
    EXPECT_EQ(q.recordCount(), 180);
    EXPECT_LT(q.fetchedCount(), 180); // counted, not read
    EXPECT_EQ(q.fieldNames(), (QStringList{QStringLiteral("Codigo"), QStringLiteral("Descricao")}));
    {
        // The search window lists a view's columns as the schema spells them.
        Query view(c);
        view.setSql(QStringLiteral("Select * From vwRateio"));
        view.open();
        EXPECT_EQ(view.fieldNames().mid(0, 3),
                  (QStringList{QStringLiteral("INSCRICAO"), QStringLiteral("RAZAO"), QStringLiteral("Municipio")}));
    }
    int rows = 0;
    QString last;
    for (; !q.eof(); q.next()) {
        last = q.fieldByName(QStringLiteral("CODIGO")).asString();
        ++rows;
    }
    EXPECT_EQ(rows, 180);
    EXPECT_EQ(last, QStringLiteral("110180"));
    q.first();
    EXPECT_EQ(q.field(0).asString(), QStringLiteral("110001"));
    EXPECT_EQ(q.valueAt(179, 0).asString(), QStringLiteral("110180"));

    // Closing the connection closes its queries; reopening works on the same file.
    c.close();
    EXPECT_FALSE(q.isOpen());
    c.reopen();
    q.open();
    EXPECT_FALSE(q.eof());

    Query forward(c);
    forward.setForwardOnly(true);
    forward.setSql(QStringLiteral("Select Codigo From Municipios order by Codigo"));
    forward.open();
    int n = 0;
    for (; !forward.eof(); forward.next())
        ++n;
    EXPECT_EQ(n, 180);
    forward.first();
    EXPECT_EQ(forward.field(0).asString(), QStringLiteral("110001"));
}

TEST_P(Database, APreparedInsertReportsADuplicateKeyAndTheTransactionGoesOn)
{
    ProgramaNoMotor program(GetParam());
    Connection &c = program.connection();
    WriteTransaction transacao(c);
    PreparedStatement insere(c, QStringLiteral("Insert into Produtos (Cod_Prod, Descricao) Values (:pCodigo, :pDescricao)"));
    const int codigo = insere.parameterIndex(QStringLiteral(":pCodigo"));
    const int descricao = insere.parameterIndex(QStringLiteral(":pDescricao"));
    ASSERT_GT(codigo, 0);
    ASSERT_GT(descricao, 0);
    EXPECT_EQ(insere.parameterIndex(QStringLiteral(":pNada")), 0);
    const QByteArray texto = QStringLiteral("CAFÉ").toUtf8();
    using Outcome = PreparedStatement::Outcome;
    const std::pair<int, Outcome> passos[] = {{1, Outcome::Done}, {2, Outcome::Done}, {1, Outcome::DuplicateKey}, {3, Outcome::Done}};
    for (const auto &[numero, fim] : passos) {
        insere.bindInteger(codigo, numero);
        insere.bindText(descricao, texto.constData(), static_cast<int>(texto.size()));
        EXPECT_EQ(insere.run(), fim) << numero;
    }
    EXPECT_EQ(insere.failure().causa(), Causa::ChaveDuplicada);
    transacao.commit();
    EXPECT_EQ(sql::valor(c, QStringLiteral("Select Count(*) || '|' || Max(Descricao) From Produtos")), QStringLiteral("3|CAFÉ"));
}

TEST(DatabaseServer, TheSchemaIsCreatedOnceInOneTransaction)
{
    ORVA_REQUER_POSTGRES();
    BancoPostgres banco;
    orva::install::createServerDatabase(banco.conexao());
    try {
        orva::install::createServerDatabase(banco.conexao());
        FAIL() << "the schema was created twice";
    } catch (const DatabaseError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("já tem as tabelas do Orva"))) << e.message().toStdString();
    }
    Connection c;
    c.open(banco.conexao());
    EXPECT_NO_THROW(TdtmDados::VerificaBanco(c));
    EXPECT_EQ(sql::numero(c, QStringLiteral("Select count(*) From Municipios")), 180);
    // A statement that fails inside a script leaves no transaction behind.
    EXPECT_THROW(c.executeScript(QStringLiteral("begin immediate; select nada")), DatabaseError);
    EXPECT_FALSE(c.inTransaction());

    // A server that cannot be reached is named as such.
    Connection longe;
    try {
        longe.open(QStringLiteral("host=/nenhuma/pasta dbname=orva connect_timeout=2"));
        FAIL() << "opened a server that does not exist";
    } catch (const DatabaseError &e) {
        EXPECT_EQ(e.causa(), Causa::NaoEncontrado);
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Não foi possível conectar ao banco de dados no servidor")));
    }
}

// A cluster that confirms commits before they are on its disk (as a trial
// cluster may be set up): Orva's own sessions still wait for the disk.
TEST(DatabaseServer, CommitsAreDurableWhateverTheClusterDefault)
{
    ORVA_REQUER_POSTGRES();
    BancoPostgres banco;
    ASSERT_TRUE(BancoPostgres::executa(QStringLiteral("alter database %1 set synchronous_commit = off").arg(banco.nome())));
    Connection c;
    c.open(banco.conexao());
    EXPECT_EQ(sql::valor(c, QStringLiteral("Select current_setting('synchronous_commit')")), QStringLiteral("on"));
}
