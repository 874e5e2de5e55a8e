#include "support/sql.h"
#include "support/motor.h"

#include "core/stores/protocolos.h"

#include <gtest/gtest.h>

using orva::stores::Protocolo;
using orva::stores::Protocolos;

namespace {

const QDate kHoje(2015, 3, 5);

void empresa(orva::db::Connection &c, const QString &inscricao, const QString &tipoDeclara)
{
    sql::executa(c, QStringLiteral("Insert into Empresa (Inscricao, Razao, Cnpj, Tipo_Declara, Municipio) Values "
                                   "('%1', 'ACME LTDA', '11222333000181', '%2', '056014')")
                        .arg(inscricao, tipoDeclara));
}

Protocolo digitado(const QString &numero, const QString &inscricao = QStringLiteral("1"))
{
    Protocolo p;
    p.numero = numero;
    p.tipoEntrega = QStringLiteral("1");
    p.inscricao = inscricao;
    p.crc = QStringLiteral("0");
    p.responsavel = QStringLiteral("Jose da Silva");
    return p;
}

QString linha(orva::db::Connection &c, int numero)
{
    return sql::valor(c, QStringLiteral("Select Protocolo || '|' || Tipo_Protocolo || '|' || Tipo_Entrega || '|' || "
                                        "Exercicio || '|' || Inscricao || '|' || Crc || '|' || Responsavel || '|' || "
                                        "Razao || '|' || Cnpj || '|' || Municipio || '|' || DtGeracao || '|' || "
                                        "ifnull(DtTransmissao || '', 'aberto') From Protocolo Where Protocolo = %1")
                             .arg(numero));
}

} // namespace

ORVA_NOS_DOIS_MOTORES(ProtocolosStore);

TEST_P(ProtocolosStore, NextNumberIsTheLargestPlusOneWithinFourDigits)
{
    ProgramaNoMotor program(GetParam());
    Protocolos protocolos(program.connection());
    EXPECT_EQ(protocolos.proximoNumero().valor, QStringLiteral("1"));
    sql::executa(program.connection(), QStringLiteral("Insert into Protocolo (Protocolo) Values (1), (2), (7)"));
    EXPECT_EQ(protocolos.proximoNumero().valor, QStringLiteral("8"));
    // A fifth digit would be cut off and the save would overwrite another protocol.
    sql::executa(program.connection(), QStringLiteral("Insert into Protocolo (Protocolo) Values (9999)"));
    const orva::stores::Proposta proposta = protocolos.proximoNumero();
    EXPECT_TRUE(proposta.valor.isEmpty());
    EXPECT_TRUE(proposta.recusa.startsWith(QStringLiteral("O limite de 9999 protocolos foi atingido")));
}

TEST_P(ProtocolosStore, SaveCopiesTheCompanyAndTheExerciseAndAnUpdateKeepsTheCreationDate)
{
    ProgramaNoMotor program(GetParam());
    orva::db::Connection &c = program.connection();
    empresa(c, QStringLiteral("00000000000001"), QStringLiteral("1"));
    Protocolos protocolos(c);
    Protocolo p = digitado(QStringLiteral("1"));
    ASSERT_EQ(protocolos.grava(p, kHoje), QString());
    EXPECT_TRUE(protocolos.inseriu());
    EXPECT_EQ(linha(c, 1),
              QStringLiteral("1|1|1|2015|00000000000001|0|JOSE DA SILVA|ACME LTDA|11222333000181|056014|2015-03-05|aberto"));

    sql::executa(c, QStringLiteral("Update Empresa Set Razao = 'ACME S/A', Tipo_Declara = '0'"));
    p.responsavel = QStringLiteral("maria");
    ASSERT_EQ(protocolos.grava(p, QDate(2016, 7, 1)), QString());
    EXPECT_FALSE(protocolos.inseriu());
    EXPECT_EQ(linha(c, 1),
              QStringLiteral("1|0|1|2015|00000000000001|0|MARIA|ACME S/A|11222333000181|056014|2015-03-05|aberto"));
    EXPECT_EQ(protocolos.carrega(QStringLiteral("1"))->dtGeracao, QStringLiteral("05/03/2015"));
}

TEST_P(ProtocolosStore, RefusalsAndAWrongDeclarationTypeWriteNothing)
{
    ProgramaNoMotor program(GetParam());
    orva::db::Connection &c = program.connection();
    empresa(c, QStringLiteral("00000000000060"), QStringLiteral("x"));
    empresa(c, QStringLiteral("00001234567897"), QString());
    Protocolos protocolos(c);
    const auto grava = [&](Protocolo p) { return protocolos.grava(p, kHoje); };

    Protocolo semCrc = digitado(QStringLiteral("3"));
    semCrc.crc.clear();
    EXPECT_EQ(grava(semCrc), QStringLiteral("Falta o Dados do Campo C.R.C do contador ( caso exista)"));
    EXPECT_EQ(grava(digitado(QStringLiteral("3"), QStringLiteral("123"))), QStringLiteral("Inscrição Estadual Invalida !"));
    EXPECT_TRUE(grava(digitado(QStringLiteral("3"), QStringLiteral("124"))).startsWith("A empresa de inscrição 00000000000124 não está cadastrada"));
    Protocolo entregaDesconhecida = digitado(QStringLiteral("3"), QStringLiteral("60"));
    entregaDesconhecida.tipoEntrega = QStringLiteral("9");
    EXPECT_TRUE(grava(entregaDesconhecida).contains(QLatin1String("Tipo_Entrega")));
    EXPECT_TRUE(grava(digitado(QStringLiteral("3;1"), QStringLiteral("60"))).contains(QStringLiteral("só dígitos")));
    EXPECT_TRUE(grava(digitado(QStringLiteral("10000"), QStringLiteral("60"))).contains(QStringLiteral("no máximo 4")));

    // The company's declaration type becomes the protocol type: it must be a whole number.
    try {
        grava(digitado(QStringLiteral("3"), QStringLiteral("60")));
        ADD_FAILURE() << "a type 'x' was saved";
    } catch (const orva::Error &e) {
        EXPECT_EQ(e.message(), QStringLiteral("'x' não é um valor inteiro válido."));
    }
    EXPECT_THROW(grava(digitado(QStringLiteral("3"), QStringLiteral("00001234567897"))), orva::Error);
    EXPECT_EQ(sql::numero(c, QStringLiteral("Select count(*) From Protocolo")), 0);
}

TEST_P(ProtocolosStore, ANewProtocolIsRefusedWhileTheCompanyHasAnOpenOne)
{
    ProgramaNoMotor program(GetParam());
    orva::db::Connection &c = program.connection();
    empresa(c, QStringLiteral("00000000000001"), QStringLiteral("0"));
    sql::executa(c, QStringLiteral("Insert into Protocolo (Protocolo, Inscricao, DtTransmissao) Values (4, "
                                   "'00000000000001', '2015-04-01')"));
    Protocolos protocolos(c);
    Protocolo p = digitado(QString());
    ASSERT_EQ(protocolos.novo(p, kHoje), QString());
    EXPECT_EQ(p.numero, QStringLiteral("5"));
    EXPECT_EQ(protocolos.abertoDaEmpresa(QStringLiteral("00000000000001"))->numero, QStringLiteral("5"));

    Protocolo outro = digitado(QString());
    EXPECT_EQ(protocolos.novo(outro, kHoje), Protocolos::avisoProtocoloAberto + QStringLiteral("\nProtocolo aberto: 5."));
    EXPECT_EQ(sql::numero(c, QStringLiteral("Select count(*) From Protocolo")), 2);

    // Once it is transmitted, the next one can be opened.
    sql::executa(c, QStringLiteral("Update Protocolo Set DtTransmissao = '2015-05-01'"));
    ASSERT_EQ(protocolos.novo(outro, kHoje), QString());
    EXPECT_EQ(outro.numero, QStringLiteral("6"));
}

TEST_P(ProtocolosStore, DeleteIsRefusedWhileRowsCarryTheNumberAndReopenNamesAMissingProtocol)
{
    ProgramaNoMotor program(GetParam());
    orva::db::Connection &c = program.connection();
    sql::executa(c, QStringLiteral("Insert into Protocolo (Protocolo, DtTransmissao) Values (4, '2015-04-01'), "
                                   "(5, '2015-04-01'), (6, '2015-04-01')"));
    sql::executa(c, QStringLiteral("Insert into Notas (INSCRICAO, EXERCICIO, MUNICIPIO, NF, TIPO, PROTOCOLO, OPERACAO) "
                                   "Values ('00000000000001', '2015', '056014', '10', 'NP', 4, 'E')"));
    sql::executa(c, QStringLiteral("Insert into Rateio (INSCRICAO, EXERCICIO, MUNICIPIO, PROTOCOLO, OPERACAO) Values "
                                   "('00000000000001', '2015', '056014', 4, 'I'), ('00000000000001', '2015', "
                                   "'056022', 5, 'A')"));
    Protocolos protocolos(c);
    EXPECT_EQ(protocolos.apaga(QStringLiteral("4")),
              QStringLiteral("Este protocolo não pode ser apagado, pois tem Notas vinculadas !"));
    EXPECT_EQ(protocolos.apaga(QStringLiteral("5")),
              QStringLiteral("Este protocolo não pode ser apagado, pois tem Rateios vinculados !"));
    EXPECT_TRUE(protocolos.apaga(QString()).startsWith(QStringLiteral("Informe o número do protocolo")));
    EXPECT_EQ(protocolos.apaga(QStringLiteral("6")), QString());
    EXPECT_EQ(sql::valor(c, QStringLiteral("Select Count(*) || '|' || Min(Protocolo) || '|' || Max(Protocolo) From Protocolo")),
              QStringLiteral("2|4|5"));

    EXPECT_EQ(protocolos.reabre(QStringLiteral("4")), QString());
    EXPECT_EQ(protocolos.comando().commandText(), QStringLiteral("Update Protocolo Set  DTTRANSMISSAO = null Where Protocolo = 4"));
    EXPECT_TRUE(protocolos.carrega(QStringLiteral("4"))->dtTransmissao.isEmpty());
    EXPECT_FALSE(protocolos.carrega(QStringLiteral("5"))->dtTransmissao.isEmpty());
    EXPECT_TRUE(protocolos.reabre(QStringLiteral("99")).startsWith(QStringLiteral("O protocolo 99 não existe")));
    EXPECT_EQ(protocolos.reabre(QString()), QStringLiteral("Informe o número do protocolo que será reaberto."));
    EXPECT_EQ(protocolos.lista().size(), 2);
}

TEST_P(ProtocolosStore, MarkingTransmittedHoldsTheLockWhileItChecksAndClosesOnlyAnOpenProtocol)
{
    ProgramaNoMotor program(GetParam());
    orva::db::Connection &c = program.connection();
    sql::executa(c, QStringLiteral("Insert into Protocolo (Protocolo, DtTransmissao) Values (7, null), (8, '2015-04-01')"));
    Protocolos protocolos(c);
    orva::db::Connection outro;
    outro.open(program.alvo());
    outro.setBusyTimeout(200);
    const auto transmissao = [&](int numero) {
        return sql::valor(c, QStringLiteral("Select ifnull(DtTransmissao || '', 'aberto') From Protocolo Where Protocolo = %1")
                                 .arg(numero));
    };

    // The check runs under the mark's write lock; when it fails nothing is written.
    bool conferiu = false;
    EXPECT_THROW(protocolos.marcaTransmitido(QStringLiteral("7"), kHoje,
                                             [&] {
                                                 conferiu = true;
                                                 EXPECT_THROW(orva::db::WriteTransaction tambem(outro),
                                                              orva::db::DatabaseError);
                                                 throw orva::Error(QStringLiteral("linhas alteradas"));
                                             }),
                 orva::Error);
    EXPECT_TRUE(conferiu);
    EXPECT_EQ(transmissao(7), QStringLiteral("aberto"));

    protocolos.marcaTransmitido(QStringLiteral("0007"), kHoje);
    EXPECT_EQ(transmissao(7), QStringLiteral("2015-03-05"));
    orva::db::Query q(c);
    EXPECT_FALSE(Protocolos::abreAberto(q, 7));

    // Marked already, transmitted before, or no number: refused, the row as it was.
    for (const char *numero : {"7", "8", "99", "7 or 1=1", ""})
        EXPECT_THROW(protocolos.marcaTransmitido(QString::fromLatin1(numero), QDate(2015, 12, 31)), orva::Error) << numero;
    EXPECT_EQ(transmissao(7), QStringLiteral("2015-03-05"));
    EXPECT_EQ(transmissao(8), QStringLiteral("2015-04-01"));
}
