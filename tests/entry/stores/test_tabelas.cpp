#include "support/sql.h"
#include "support/motor.h"

#include "core/stores/tabelas.h"

#include <gtest/gtest.h>

using orva::stores::Tabelas;

ORVA_NOS_DOIS_MOTORES(TabelasStore);

TEST_P(TabelasStore, NextCodeIsTheLargestPlusOneUntilItNoLongerFitsTheField)
{
    ProgramaNoMotor program(GetParam());
    Tabelas produtos(program.connection(), orva::stores::tabelaProdutos());
    EXPECT_EQ(produtos.proximoCodigo().valor, QStringLiteral("1"));
    sql::executa(program.connection(), QStringLiteral("Insert into Produtos Values (1, 'A'), (2, 'B'), (7, 'C')"));
    EXPECT_EQ(produtos.proximoCodigo().valor, QStringLiteral("8"));

    // Cut to five digits, 100000 would name code 10000, which exists.
    sql::executa(program.connection(), QStringLiteral("Insert into Produtos Values (10000, 'DEZ MIL'), (99999, 'Z')"));
    const orva::stores::Proposta proposta = produtos.proximoCodigo();
    EXPECT_TRUE(proposta.valor.isEmpty());
    EXPECT_TRUE(proposta.recusa.startsWith(QStringLiteral("O próximo código (100000) não cabe no campo de 5 dígitos")))
        << proposta.recusa.toStdString();
}

TEST_P(TabelasStore, CodesArePaddedToTheFieldWidthAndTextCodesAreQuoted)
{
    ProgramaNoMotor program(GetParam());
    Tabelas produtos(program.connection(), orva::stores::tabelaProdutos());
    ASSERT_EQ(produtos.grava(QStringLiteral(" 7 "), QStringLiteral("  Parafuso  ")), QString());
    EXPECT_EQ(produtos.comando().parameters().find(QStringLiteral("Codigo"))->value().toString(), QStringLiteral("00007"));
    // Stored as a whole number: it sorts and compares as one.
    EXPECT_EQ(sql::valor(program.connection(),
                         QStringLiteral("Select Cod_Prod || '|' || Descricao From Produtos Where Cod_Prod < 10")),
              QStringLiteral("7|Parafuso"));
    EXPECT_EQ(produtos.descricao(QStringLiteral("7")), QStringLiteral("Parafuso"));
    EXPECT_FALSE(produtos.descricao(QStringLiteral("8")));
    EXPECT_EQ(produtos.lista().size(), 1);

    // A text code is found as typed but saved zero-padded.
    Tabelas entradas(program.connection(), {QStringLiteral("Tipo_Entrada"), QStringLiteral("Codigo"),
                                            QStringLiteral("Descricao"), 3, 50, 2});
    ASSERT_EQ(entradas.grava(QStringLiteral("77"), QStringLiteral("Nova")), QString());
    EXPECT_EQ(entradas.consulta().sql(), QStringLiteral("Select * from Tipo_Entrada Where Codigo = '77'"));
    EXPECT_FALSE(entradas.descricao(QStringLiteral("77")));
    EXPECT_EQ(entradas.descricao(QStringLiteral("077")), QStringLiteral("Nova"));
    EXPECT_TRUE(entradas.apaga(QStringLiteral("077")));
    EXPECT_EQ(entradas.comando().commandText(), QStringLiteral("Delete from Tipo_Entrada where Codigo = '077'"));

    // What the code field would not take is refused before any statement.
    EXPECT_EQ(produtos.grava(QString(), QStringLiteral("X")), QStringLiteral("Falta o Dados do Campo Código"));
    EXPECT_EQ(produtos.grava(QStringLiteral("8"), QString()), QStringLiteral("Falta o Dados do Campo Descrição"));
    EXPECT_TRUE(produtos.grava(QStringLiteral("1;--"), QStringLiteral("X")).contains(QStringLiteral("só dígitos")));
    EXPECT_FALSE(produtos.apaga(QStringLiteral("1 or 1=1")));
    EXPECT_FALSE(produtos.apaga(QString()));
    EXPECT_EQ(produtos.lista().size(), 1);
}

TEST_P(TabelasStore, LookupsSayNaoCadastradoForAMissingOrEmptyDescription)
{
    ProgramaNoMotor program(GetParam());
    orva::db::Connection &c = program.connection();
    sql::executa(c, QStringLiteral("Insert into Produtos Values (3, ''), (4, null), (5, 'Cola')"));
    const auto busca = [&c](const char *codigo) {
        return Tabelas::buscaDescricao(c, QStringLiteral("Produtos"), QStringLiteral("Cod_Prod"),
                                       QString::fromLatin1(codigo), QStringLiteral("Descricao"));
    };
    EXPECT_EQ(busca("3"), Tabelas::naoCadastrado);
    EXPECT_EQ(busca("4"), Tabelas::naoCadastrado);
    EXPECT_EQ(busca("6"), Tabelas::naoCadastrado);
    EXPECT_EQ(busca("5"), QStringLiteral("Cola"));
    EXPECT_THROW(Tabelas::buscaDescricao(c, QStringLiteral("SemTabela"), QStringLiteral("Codigo"), QStringLiteral("1"),
                                         QStringLiteral("Descricao")),
                 orva::db::DatabaseError)
        << "a failure is raised to the caller, never shown";
}
