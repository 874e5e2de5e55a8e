// Two workstations on one database: each a connection of its own and the
// store a window keeps while the user types. What one saves the other never
// overwrites blindly, and a number "Novo" proposed is never stored twice.
#include "support/motor.h"
#include "support/sql.h"

#include "core/stores/empresas.h"
#include "core/stores/leitura.h"
#include "core/stores/protocolos.h"
#include "core/stores/tabelas.h"

#include <gtest/gtest.h>

using namespace orva::stores;

namespace {

const QDate kHoje(2015, 3, 5);

// The second workstation: its own connection to the same database.
struct Estacao {
    explicit Estacao(const QString &alvo) { conexao.open(alvo); }
    orva::db::Connection conexao;
};

Empresa acme(const QString &inscricao, const QString &razao)
{
    return {inscricao, QStringLiteral("11222333000181"), razao, QStringLiteral("0111301"), QStringLiteral("0"),
            QStringLiteral("110001")};
}

Protocolo digitado(const QString &numero, const QString &inscricao, const QString &responsavel)
{
    Protocolo p;
    p.numero = numero;
    p.tipoEntrega = QStringLiteral("1");
    p.inscricao = inscricao;
    p.crc = QStringLiteral("0");
    p.responsavel = responsavel;
    return p;
}

const QString kInscricao1 = QStringLiteral("00000000000124");
const QString kInscricao2 = QStringLiteral("00000000000205");

} // namespace

ORVA_NOS_DOIS_MOTORES(Concorrencia);

// A company one window read (absent, then present) and another program
// saved meanwhile: the window's save is refused and the other's row stays;
// read again, the window saves.
TEST_P(Concorrencia, ACompanySavedElsewhereSinceItWasReadIsNotOverwritten)
{
    ProgramaNoMotor program(GetParam());
    Estacao outra(program.alvo());
    Empresas janela(program.connection());
    Empresas cli(outra.conexao);

    ASSERT_FALSE(janela.carrega(kInscricao1).has_value());
    Empresa deles = acme(kInscricao1, QStringLiteral("Deles"));
    ASSERT_EQ(cli.grava(deles), QString());
    Empresa minha = acme(kInscricao1, QStringLiteral("Minha"));
    EXPECT_EQ(janela.grava(minha), kIncluidoPorOutro);
    EXPECT_EQ(cli.carrega(kInscricao1)->razao, QStringLiteral("DELES"));

    ASSERT_TRUE(janela.carrega(kInscricao1).has_value());
    deles.razao = QStringLiteral("Deles de novo");
    ASSERT_EQ(cli.grava(deles), QString());
    EXPECT_EQ(janela.grava(minha), kAlteradoPorOutro);
    EXPECT_EQ(cli.carrega(kInscricao1)->razao, QStringLiteral("DELES DE NOVO"));

    // Deleted elsewhere: refused too, not inserted again behind the other's back.
    ASSERT_TRUE(janela.carrega(kInscricao1).has_value());
    ASSERT_TRUE(cli.apaga(kInscricao1));
    EXPECT_EQ(janela.grava(minha), kAlteradoPorOutro);
    EXPECT_FALSE(cli.carrega(kInscricao1).has_value());

    // Read again: saved, and saved again from the same window.
    ASSERT_FALSE(janela.carrega(kInscricao1).has_value());
    ASSERT_EQ(janela.grava(minha), QString());
    minha.cnae = QStringLiteral("0111302");
    EXPECT_EQ(janela.grava(minha), QString());
    EXPECT_EQ(cli.carrega(kInscricao1)->cnae, QStringLiteral("0111302"));
}

// A code "Novo" proposed at two workstations: the second save gets the next
// free code and says so; a code edited elsewhere since read is refused.
TEST_P(Concorrencia, ACodeProposedTwiceIsStoredOnceAndAnEditedOneIsNotOverwritten)
{
    ProgramaNoMotor program(GetParam());
    Estacao outra(program.alvo());
    Tabelas janela(program.connection(), tabelaProdutos());
    Tabelas deles(outra.conexao, tabelaProdutos());

    const QString proposto = janela.proximoCodigo().valor;
    ASSERT_EQ(deles.proximoCodigo().valor, proposto);
    ASSERT_EQ(deles.grava(proposto, QStringLiteral("Deles")), QString());
    EXPECT_TRUE(deles.aviso().isEmpty());
    ASSERT_EQ(janela.grava(proposto, QStringLiteral("Minha")), QString());
    const QString seguinte = QString::number(proposto.toInt() + 1).rightJustified(5, QLatin1Char('0'));
    EXPECT_EQ(janela.codigoGravado(), seguinte);
    EXPECT_TRUE(janela.aviso().contains(QStringLiteral("gravado com o código"))) << janela.aviso().toStdString();
    EXPECT_EQ(deles.descricao(proposto), QStringLiteral("Deles"));
    EXPECT_EQ(deles.descricao(seguinte), QStringLiteral("Minha"));

    // Both read the same row; the later save of the two is refused.
    ASSERT_TRUE(janela.descricao(seguinte).has_value());
    ASSERT_TRUE(deles.descricao(seguinte).has_value());
    ASSERT_EQ(deles.grava(seguinte, QStringLiteral("Corrigida")), QString());
    EXPECT_EQ(janela.grava(seguinte, QStringLiteral("Minha alterada")), kAlteradoPorOutro);
    EXPECT_EQ(deles.descricao(seguinte), QStringLiteral("Corrigida"));
}

// The protocol number "Novo" proposed at two workstations for two companies:
// each protocol gets its own number, and the one stored is the one told.
// For one company, only one protocol opens.
TEST_P(Concorrencia, AProtocolNumberIsNeverGivenTwiceAndOneCompanyOpensOnlyOne)
{
    ProgramaNoMotor program(GetParam());
    orva::db::Connection &c = program.connection();
    Estacao outra(program.alvo());
    for (const QString &inscricao : {kInscricao1, kInscricao2})
        sql::executa(c, QStringLiteral("Insert into Empresa (Inscricao, Razao, Cnpj, Tipo_Declara, Municipio) Values "
                                       "('%1', 'ACME', '11222333000181', '1', '110001')")
                            .arg(inscricao));
    Protocolos janela(c);
    Protocolos deles(outra.conexao);

    ASSERT_EQ(janela.proximoNumero().valor, QStringLiteral("1"));
    ASSERT_EQ(deles.proximoNumero().valor, QStringLiteral("1"));
    Protocolo delesP = digitado(QStringLiteral("1"), kInscricao2, QStringLiteral("Deles"));
    ASSERT_EQ(deles.grava(delesP, kHoje), QString());
    Protocolo meu = digitado(QStringLiteral("1"), kInscricao1, QStringLiteral("Meu"));
    ASSERT_EQ(janela.grava(meu, kHoje), QString());
    EXPECT_EQ(meu.numero, QStringLiteral("2"));
    EXPECT_TRUE(janela.aviso().contains(QStringLiteral("gravado com o número 2"))) << janela.aviso().toStdString();
    EXPECT_EQ(sql::valor(c, "Select Responsavel From Protocolo Where Protocolo = 1"), QStringLiteral("DELES"));
    EXPECT_EQ(sql::valor(c, "Select Responsavel From Protocolo Where Protocolo = 2"), QStringLiteral("MEU"));

    // A proposal for a company that opened a protocol elsewhere meanwhile.
    sql::executa(c, "Update Protocolo Set DtTransmissao = '2015-04-01'");
    ASSERT_EQ(janela.proximoNumero().valor, QStringLiteral("3"));
    Protocolo outroDeles = digitado(QString(), kInscricao1, QStringLiteral("Deles"));
    ASSERT_EQ(deles.novo(outroDeles, kHoje), QString());
    Protocolo segundo = digitado(QStringLiteral("3"), kInscricao1, QStringLiteral("Meu"));
    EXPECT_TRUE(janela.grava(segundo, kHoje).startsWith(Protocolos::avisoProtocoloAberto));
    EXPECT_EQ(sql::numero(c, "Select Count(*) From Protocolo Where DtTransmissao is Null"), 1);

    // A protocol loaded here and changed there.
    ASSERT_TRUE(janela.carrega(QStringLiteral("3")).has_value());
    outroDeles.responsavel = QStringLiteral("Deles de novo");
    ASSERT_EQ(deles.grava(outroDeles, kHoje), QString());
    segundo.responsavel = QStringLiteral("Meu de novo");
    EXPECT_EQ(janela.grava(segundo, kHoje), kAlteradoPorOutro);
    EXPECT_EQ(sql::valor(c, "Select Responsavel From Protocolo Where Protocolo = 3"), QStringLiteral("DELES DE NOVO"));
}

// A key another program inserted without the write lock: the insert's
// failure is told apart from any other, on both engines.
TEST_P(Concorrencia, ADuplicateKeyAtTheInsertIsToldApart)
{
    ProgramaNoMotor program(GetParam());
    orva::db::Command insere(program.connection());
    insere.setCommandText(QStringLiteral("Insert into Tipo_Entrega (Codigo, Descricao) Values ('0777', 'x')"));
    ASSERT_EQ(executaSemDuplicar(insere), std::optional<int>(1));
    EXPECT_EQ(executaSemDuplicar(insere), std::nullopt);
    insere.setCommandText(QStringLiteral("Insert into Tabela_Que_Nao_Existe Values (1)"));
    EXPECT_THROW(executaSemDuplicar(insere), orva::db::DatabaseError);
}
