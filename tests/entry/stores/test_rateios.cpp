#include "support/sql.h"
#include "support/motor.h"

#include "core/stores/rateios.h"

#include <gtest/gtest.h>

using orva::stores::ChaveRateio;
using orva::stores::Exclusao;
using orva::stores::Gravacao;
using orva::stores::Rateio;
using orva::stores::Rateios;

namespace {

const QString kDeclarante = QStringLiteral("00000000000001");

// Company 00000000000001 declares apportionment: protocol 5 is its open one,
// 3 an earlier transmitted one; protocol 9 is an open invoice protocol.
struct RateiosFixture {
    ProgramaNoMotor program;
    Rateios rateios{program.connection()};

    explicit RateiosFixture(Motor motor) : program(motor)
    {
        auto &c = program.connection();
        sql::executa(c, "Insert into Empresa Values ('00000000000001', 'RATEIO LTDA', '11111111111', '4711302', '1', "
                        "'110001')");
        sql::executa(c, "Insert into Empresa Values ('00000000000060', 'NOTAS LTDA', '11111111111', '4711302', '0', "
                        "'110001')");
        sql::executa(c, "Insert into Protocolo (Protocolo, Tipo_Protocolo, Tipo_Entrega, Exercicio, Inscricao, "
                        "DtTransmissao) Values (3, 1, '1', '2015', '00000000000001', '2015-06-01'), "
                        "(5, 1, '2', '2015', '00000000000001', NULL), (9, 0, '1', '2015', '00000000000060', NULL)");
    }
    static Rateio rateio(const QString &municipio, const QString &entrada, const QString &saida,
                         const QString &protocolo = "5")
    {
        return {{kDeclarante, "2015", municipio}, protocolo, entrada, saida};
    }
    QString coluna(const QString &municipio, const QString &coluna)
    {
        return sql::valor(program.connection(),
                          QStringLiteral("Select %1 From Rateio Where Municipio = '%2'").arg(coluna, municipio));
    }
};

} // namespace

ORVA_NOS_DOIS_MOTORES(RateiosStore);

TEST_P(RateiosStore, OnlyAnOpenApportionmentProtocolIsAccepted)
{
    RateiosFixture f(GetParam());
    for (const char *numero : {"9", "3", "77", "5 or 1=1"})
        EXPECT_FALSE(f.rateios.protocoloAberto(numero)) << numero;
    const auto aberto = f.rateios.protocoloAberto("5");
    ASSERT_TRUE(aberto);
    EXPECT_EQ(aberto->inscricao, kDeclarante);
    EXPECT_EQ(aberto->tipoEntrega, "2");
    EXPECT_EQ(f.rateios.declarante("00000000000060"), "Não Cadastrado") << "a declarant of invoices";
}

TEST_P(RateiosStore, RowLifeCycle)
{
    RateiosFixture f(GetParam());
    auto &c = f.program.connection();
    sql::executa(c, "Insert into Rateio Values ('00000000000001', '2015', '110002', 10, 20, 3, 'I')");
    sql::executa(c, "Insert into Rateio Values ('00000000000001', '2015', '110003', 30, 40, 3, 'A')");

    EXPECT_EQ(f.rateios.grava(RateiosFixture::rateio("110001", "1.234,56", "2,5")).como, Gravacao::Como::Inserida);
    EXPECT_EQ(f.coluna("110001", "VALOR_ENTRADA"), "1234,56");
    EXPECT_EQ(f.coluna("110001", "OPERACAO"), "I");

    const auto repetido = f.rateios.grava(RateiosFixture::rateio("110001", "9", "9", "05"));
    EXPECT_EQ(repetido.recusa, Rateios::kJaCadastrado);
    EXPECT_EQ(f.coluna("110001", "VALOR_ENTRADA"), "1234,56");

    EXPECT_EQ(f.rateios.grava(RateiosFixture::rateio("110002", "11", "22")).como, Gravacao::Como::Redeclarada);
    EXPECT_EQ(f.coluna("110002", "OPERACAO"), "A");
    EXPECT_EQ(f.coluna("110002", "PROTOCOLO"), "5");
    EXPECT_EQ(f.coluna("110002", "VALOR_SAIDA"), "22");

    EXPECT_EQ(f.rateios.exclui({kDeclarante, "2015", "110003"}, "5"), Exclusao::Retirada);
    EXPECT_EQ(f.coluna("110003", "OPERACAO"), "E");
    EXPECT_EQ(f.coluna("110003", "VALOR_ENTRADA"), "30");

    const auto linhas = f.rateios.lista(kDeclarante, "2015");
    ASSERT_EQ(linhas.size(), 3u);
    EXPECT_EQ(linhas[0].chave.municipio, "110001");
    EXPECT_EQ(linhas[2].operacao, "E");

    for (const char *m : {"110001", "110002", "110003"})
        EXPECT_EQ(f.rateios.exclui({kDeclarante, "2015", m}, "5"), Exclusao::Apagada) << m;
    EXPECT_EQ(f.rateios.exclui({kDeclarante, "2015", "110001"}, "5"), Exclusao::Nenhuma);
    EXPECT_TRUE(f.rateios.lista(kDeclarante, "2015").empty());
}

TEST_P(RateiosStore, RefusalsChangeNothing)
{
    RateiosFixture f(GetParam());
    EXPECT_EQ(f.rateios.grava(RateiosFixture::rateio("110001", "0", "1")).recusa, Rateios::kEntradaZero);
    EXPECT_EQ(f.rateios.grava(RateiosFixture::rateio("110001", "1", "0,00")).recusa, Rateios::kSaidaZero);
    try {
        f.rateios.grava(RateiosFixture::rateio("110001", "1", "1", "5 or 1=1"));
        ADD_FAILURE() << "a protocol that is no number";
    } catch (const orva::Error &e) {
        EXPECT_EQ(e.message(), Rateios::kProtocoloNaoNumerico);
    }
    EXPECT_EQ(sql::numero(f.program.connection(), "Select Count(*) From Rateio"), 0);

    const auto recusa = [&f](const QString &protocolo, const QString &municipio, const QString &entrada) {
        Rateio r{{{}, {}, municipio}, protocolo, entrada, "1"};
        return f.rateios.completa(r).value_or(QString());
    };
    EXPECT_EQ(recusa("9", "110001", "1"), Rateios::kProtocoloInvalido);
    EXPECT_EQ(recusa("5", "999999", "1"), "Falta os Dados do Campo Município de origem da Nota Fiscal");
    EXPECT_EQ(recusa("5", "110001", "0"), Rateios::kEntradaZero);
    EXPECT_EQ(recusa("5", "110001", ""), "Falta os Dados do Campo Valor Total das Entradas do Periodo");
    Rateio certo{{{}, {}, "110001"}, "5", "1234567,8", "2"};
    ASSERT_EQ(f.rateios.completa(certo), std::nullopt);
    EXPECT_EQ(certo.chave.inscricao, kDeclarante);
    EXPECT_EQ(certo.chave.exercicio, "2015");
    EXPECT_EQ(certo.valorEntrada, "1.234.567,80");
}
