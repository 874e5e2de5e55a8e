#include "support/sql.h"
#include "support/motor.h"

#include "core/stores/empresas.h"

#include <gtest/gtest.h>

using orva::stores::Empresa;
using orva::stores::Empresas;

namespace {

Empresa acme()
{
    return {QStringLiteral("124"), QStringLiteral("12345678000195"), QStringLiteral("acme comércio"),
            QStringLiteral("0111301"), QStringLiteral("1"), QStringLiteral("110001")};
}

QString linha(orva::db::Connection &c)
{
    return sql::valor(c, QStringLiteral("Select Inscricao || '|' || Razao || '|' || Cnpj || '|' || Cnae || '|' || "
                                        "Tipo_Declara || '|' || Municipio From Empresa"));
}

} // namespace

ORVA_NOS_DOIS_MOTORES(EmpresasStore);

TEST_P(EmpresasStore, SaveInsertsPaddedAndUpperCasedThenUpdatesTheSameCompany)
{
    ProgramaNoMotor program(GetParam());
    Empresas empresas(program.connection());
    Empresa e = acme();
    ASSERT_EQ(empresas.grava(e), QString());
    EXPECT_TRUE(empresas.inseriu());
    EXPECT_EQ(e.inscricao, QStringLiteral("00000000000124"));
    EXPECT_EQ(linha(program.connection()), QStringLiteral("00000000000124|ACME COMÉRCIO|12345678000195|0111301|1|110001"));

    e.razao = QStringLiteral("nova razão");
    e.municipio = QStringLiteral("110002");
    ASSERT_EQ(empresas.grava(e), QString());
    EXPECT_FALSE(empresas.inseriu());
    EXPECT_EQ(sql::numero(program.connection(), QStringLiteral("Select count(*) From Empresa")), 1);
    EXPECT_EQ(empresas.carrega(QStringLiteral("00000000000124"))->razao, QStringLiteral("NOVA RAZÃO"));
    EXPECT_FALSE(empresas.carrega(QStringLiteral("00000000000060")));
    EXPECT_EQ(empresas.lista().size(), 1);
}

TEST_P(EmpresasStore, RefusalsCarryTheWindowMessagesInItsOrderAndChangeNothing)
{
    ProgramaNoMotor program(GetParam());
    Empresas empresas(program.connection());
    const auto recusa = [&](void (*muda)(Empresa &)) {
        Empresa e = acme();
        muda(e);
        return empresas.grava(e);
    };
    Empresa vazia;
    EXPECT_EQ(empresas.grava(vazia), QStringLiteral("Falta o Dados do Campo Razão Social do Declarante"));
    EXPECT_EQ(recusa([](Empresa &e) {
                  e.tipoDeclara.clear();
                  e.cnpj.clear();
              }),
              QStringLiteral("Falta o Dados do Campo Tipo de Declaração"));
    EXPECT_EQ(recusa([](Empresa &e) { e.inscricao = QStringLiteral("123"); }),
              QStringLiteral("Inscrição Estadual Invalida !"));
    EXPECT_EQ(recusa([](Empresa &e) { e.cnpj = QStringLiteral("12345678000194"); }), QStringLiteral("CNPJ/CPF invalido !"));
    EXPECT_EQ(recusa([](Empresa &e) { e.cnae = QStringLiteral("9999999"); }),
              QStringLiteral("O código 9999999 (C.N.A.E) não está cadastrado na tabela CNAE: informe um código "
                             "cadastrado."));
    EXPECT_TRUE(recusa([](Empresa &e) { e.tipoDeclara = QStringLiteral("7"); }).contains(QLatin1String("Tipo_Declara")));
    // What the window's fields would not take: too long, not digits, a quote.
    EXPECT_TRUE(recusa([](Empresa &e) { e.razao = QString(71, QLatin1Char('A')); }).contains(QStringLiteral("no máximo 70")));
    EXPECT_TRUE(recusa([](Empresa &e) { e.cnpj = QStringLiteral("123.456.789-09"); })
                    .contains(QStringLiteral("só dígitos")));
    EXPECT_TRUE(recusa([](Empresa &e) { e.inscricao = QStringLiteral("1' or '1'='1"); })
                    .contains(QStringLiteral("só dígitos")));
    EXPECT_EQ(sql::numero(program.connection(), QStringLiteral("Select count(*) From Empresa")), 0);
    // A CPF is as good as a CNPJ.
    EXPECT_EQ(recusa([](Empresa &e) { e.cnpj = QStringLiteral("11111111111"); }), QString());
}

TEST_P(EmpresasStore, DeletingACompanyLeavesItsProtocolsAndSaysWhetherThereWasOne)
{
    ProgramaNoMotor program(GetParam());
    Empresas empresas(program.connection());
    Empresa e = acme();
    ASSERT_EQ(empresas.grava(e), QString());
    sql::executa(program.connection(), QStringLiteral("Insert into Protocolo (Protocolo, Inscricao) Values (1, "
                                                      "'00000000000124')"));
    EXPECT_FALSE(empresas.apaga(QStringLiteral("00000000000060")));
    EXPECT_FALSE(empresas.apaga(QStringLiteral("0' or ''='")));
    EXPECT_TRUE(empresas.apaga(QStringLiteral("00000000000124")));
    EXPECT_EQ(empresas.comando().commandText(), QStringLiteral("Delete From Empresa Where Inscricao = '00000000000124'"));
    EXPECT_TRUE(empresas.lista().isEmpty());
    EXPECT_EQ(sql::numero(program.connection(), QStringLiteral("Select count(*) From Protocolo")), 1);
}

TEST_P(EmpresasStore, ASaveWaitsForAnotherProgramsLockAndFailsWholeWhenItIsHeldTooLong)
{
    ProgramaNoMotor program(GetParam());
    orva::db::Connection outro;
    outro.open(program.alvo());
    program.connection().setBusyTimeout(100);
    Empresas empresas(program.connection());
    Empresa e = acme();
    {
        orva::db::WriteTransaction trava(outro);
        try {
            empresas.grava(e);
            ADD_FAILURE() << "saved under another program's lock";
        } catch (const orva::db::DatabaseError &erro) {
            EXPECT_EQ(erro.causa(), orva::db::Causa::EmUso) << erro.message().toStdString();
        }
    }
    EXPECT_EQ(sql::numero(outro, QStringLiteral("Select count(*) From Empresa")), 0);
    EXPECT_EQ(empresas.grava(e), QString()) << "the lock is gone: the same input saves";
    EXPECT_EQ(sql::numero(outro, QStringLiteral("Select count(*) From Empresa")), 1);
}
