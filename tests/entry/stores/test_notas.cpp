#include "support/sql.h"
#include "support/motor.h"

#include "core/stores/notas.h"

#include <gtest/gtest.h>

using orva::stores::ChaveNota;
using orva::stores::Exclusao;
using orva::stores::Gravacao;
using orva::stores::NotaFiscal;
using orva::stores::Notas;

namespace {

const QString kDeclarante = QStringLiteral("00000000000191");

// A declarant of invoices with protocols 1 (open), 2 (transmitted); a
// declarant of apportionment with its open protocol 3.
struct NotasFixture {
    ProgramaNoMotor program;
    Notas notas{program.connection()};

    explicit NotasFixture(Motor motor) : program(motor)
    {
        auto &c = program.connection();
        sql::executa(c, QStringLiteral("Insert into Empresa Values ('%1', 'COOPERATIVA DO VALE', '11222333000181', "
                                       "'0111301', '0', '110001')").arg(kDeclarante));
        sql::executa(c, "Insert into Empresa Values ('00000000000272', 'RATEIO LTDA', '', '', '1', '110002')");
        sql::executa(c, QStringLiteral("Insert into Protocolo (Protocolo, Tipo_Protocolo, Tipo_Entrega, Exercicio, "
                                       "Inscricao, DtTransmissao, Municipio) Values "
                                       "(1, 0, '1', '2015', '%1', null, '110001'), "
                                       "(2, 0, '1', '2015', '%1', '2015-06-30', '110001'), "
                                       "(3, 1, '1', '2015', '00000000000272', null, '110002')").arg(kDeclarante));
    }

    // An entry note of `valor` in protocol `protocolo`, with an origin note of the same value.
    static NotaFiscal nota(const QString &nf, const QString &valor, const QString &protocolo = "1")
    {
        NotaFiscal n{{kDeclarante, "2015", "110001", nf, "NE"}, protocolo, "15/03/2015", valor, {}};
        n.origem = {"110063", false, "78865280", 14, "NP", "31", QDate(2015, 2, 1), valor};
        return n;
    }
    QString coluna(const QString &nf, const QString &coluna)
    {
        return sql::valor(program.connection(),
                          QStringLiteral("Select %1 From Notas Where NF = '%2'").arg(coluna, nf));
    }
    qint64 quantas() { return sql::numero(program.connection(), "Select Count(*) From Notas"); }
    // A row of the transmitted protocol 2, saved while it was still open.
    Gravacao gravaNoAnterior(const QString &nf, const QString &valor)
    {
        sql::executa(program.connection(), "Update Protocolo Set DtTransmissao = Null Where Protocolo = 2");
        const Gravacao g = notas.grava(nota(nf, valor, "2"));
        sql::executa(program.connection(), "Update Protocolo Set DtTransmissao = '2015-06-30' Where Protocolo = 2");
        return g;
    }
};

} // namespace

ORVA_NOS_DOIS_MOTORES(NotasStore);

TEST_P(NotasStore, OnlyAnOpenInvoiceProtocolIsAccepted)
{
    NotasFixture f(GetParam());
    // Transmitted, apportionment, unknown, and text that is no number.
    for (const char *numero : {"2", "3", "99", "1 or 1=1", "", "-1"})
        EXPECT_FALSE(f.notas.protocoloAberto(numero)) << numero;
    const auto aberto = f.notas.protocoloAberto(" 01");
    ASSERT_TRUE(aberto);
    EXPECT_EQ(aberto->numero, 1);
    EXPECT_EQ(aberto->inscricao, kDeclarante);
    EXPECT_EQ(aberto->municipio, "110001");
    EXPECT_EQ(f.notas.declarante(kDeclarante), "COOPERATIVA DO VALE");
    EXPECT_EQ(f.notas.declarante("00000000000272"), "Não Cadastrado") << "a declarant of apportionment";
}

TEST_P(NotasStore, RowLifeCycle)
{
    NotasFixture f(GetParam());
    // None -> insert I.
    EXPECT_EQ(f.notas.grava(NotasFixture::nota("0000000101", "1.234,56")).como, Gravacao::Como::Inserida);
    EXPECT_EQ(f.coluna("0000000101", "OPERACAO"), "I");
    EXPECT_EQ(f.coluna("0000000101", "VALOR_NF"), "1234,56");

    // This protocol (typed 01) -> refused, nothing written.
    const auto repetida = f.notas.grava(NotasFixture::nota("0000000101", "999", "01"));
    EXPECT_EQ(repetida.como, Gravacao::Como::Recusada);
    EXPECT_EQ(repetida.recusa, Notas::kJaCadastrada);
    EXPECT_EQ(f.coluna("0000000101", "VALOR_NF"), "1234,56");

    // Earlier protocol -> A with the new values, moved to this protocol.
    EXPECT_EQ(f.gravaNoAnterior("0000000202", "10").como, Gravacao::Como::Inserida);
    EXPECT_EQ(f.notas.grava(NotasFixture::nota("0000000202", "20")).como, Gravacao::Como::Redeclarada);
    EXPECT_EQ(f.coluna("0000000202", "OPERACAO"), "A");
    EXPECT_EQ(f.coluna("0000000202", "PROTOCOLO"), "1");
    EXPECT_EQ(f.coluna("0000000202", "VALOR_NF"), "20");

    // Earlier protocol -> delete withdraws: E, values kept.
    f.gravaNoAnterior("0000000303", "75,5");
    const ChaveNota chave303{kDeclarante, "2015", "110001", "0000000303", "NE"};
    EXPECT_EQ(f.notas.exclui(chave303, "1"), Exclusao::Retirada);
    EXPECT_EQ(f.coluna("0000000303", "OPERACAO"), "E");
    EXPECT_EQ(f.coluna("0000000303", "PROTOCOLO"), "1");
    EXPECT_EQ(f.coluna("0000000303", "VALOR_NF"), "75,5");
    const auto carregada = f.notas.carrega(chave303);
    ASSERT_TRUE(carregada);
    EXPECT_EQ(carregada->origem.emitente, "00000078865280");
    EXPECT_EQ(carregada->emissao, "15/03/2015");

    // This protocol's rows go, whatever their operation; then nothing is left to delete.
    EXPECT_EQ(f.notas.lista(1).size(), 3u);
    for (const char *nf : {"0000000101", "0000000202", "0000000303"})
        EXPECT_EQ(f.notas.exclui({kDeclarante, "2015", "110001", nf, "NE"}, "1"), Exclusao::Apagada) << nf;
    EXPECT_EQ(f.notas.exclui(chave303, "1"), Exclusao::Nenhuma);
    EXPECT_EQ(f.quantas(), 0);
    EXPECT_THROW(f.notas.exclui(chave303, "1 or 1=1"), orva::Error);
}

TEST_P(NotasStore, SaveRefusesZeroAndDifferingOriginValueAndStoresNeutralOriginForOtherTypes)
{
    NotasFixture f(GetParam());
    for (const char *valor : {"0", "0,00", "", "abc"})
        EXPECT_EQ(f.notas.grava(NotasFixture::nota("0000000001", valor)).recusa, Notas::kValorZero) << valor;
    NotaFiscal diferente = NotasFixture::nota("0000000001", "1.234,56");
    diferente.origem.valor = "1.234,50";
    EXPECT_EQ(f.notas.grava(diferente).recusa, orva::notas::kValoresDiferentes);
    EXPECT_EQ(f.quantas(), 0);

    // A value read back ("1234,5") and the same value as shown are one amount.
    NotaFiscal igual = NotasFixture::nota("0000000001", "1.234,50");
    igual.origem.valor = "1234,5";
    EXPECT_TRUE(f.notas.grava(igual).gravada());

    // Other types: the block is not compared and neutral values are stored.
    NotaFiscal produtor = NotasFixture::nota("0000000002", "300");
    produtor.chave.tipo = "NP";
    produtor.origem.valor = "12";
    ASSERT_TRUE(f.notas.grava(produtor).gravada());
    const auto n = f.notas.carrega(produtor.chave);
    ASSERT_TRUE(n);
    EXPECT_EQ(n->origem.emitente, "00000000000000");
    EXPECT_EQ(n->origem.nota, "0000000000");
    EXPECT_EQ(n->origem.data, "01/01/1900");
    EXPECT_EQ(n->origem.tipoEmitente, 0);
    EXPECT_EQ(n->origem.valor, "0");
    EXPECT_TRUE(n->origem.municipio.isEmpty());
}

TEST_P(NotasStore, EmitterChecks)
{
    using orva::notas::recusaEmitente;
    EXPECT_FALSE(recusaEmitente("78865280", false)) << "zero-filled to 14 first";
    EXPECT_EQ(recusaEmitente("12345", false), orva::notas::kInscricaoInvalida);
    EXPECT_EQ(recusaEmitente("1234a678901234", false), orva::notas::kInscricaoInvalida) << "no error, just invalid";
    EXPECT_FALSE(recusaEmitente("10538790911", true));
    EXPECT_EQ(recusaEmitente("12345678900", true), orva::notas::kCpfInvalido);
}

TEST_P(NotasStore, CompletaDoesWhatTheFieldsDoAndNamesTheFirstMissingField)
{
    NotasFixture f(GetParam());
    NotaFiscal n;
    n.protocolo = "1";
    n.chave.nf = "55";
    n.valor = "1234,5";
    n.origem.emitente = "78865280";
    n.origem.nota = "31";
    n.origem.valor = "1234,50";
    ASSERT_EQ(f.notas.completa(n), std::nullopt);
    EXPECT_EQ(n.chave.inscricao, kDeclarante);
    EXPECT_EQ(n.chave.municipio, "110001");
    EXPECT_EQ(n.chave.tipo, "NE");
    EXPECT_EQ(n.chave.nf, "0000000055");
    EXPECT_EQ(n.emissao, "01/01/2015");
    EXPECT_EQ(n.valor, "1.234,50");
    EXPECT_EQ(n.origem.emitente, "00000078865280");
    EXPECT_EQ(n.origem.municipio, "110063") << "the producer's municipality";
    EXPECT_EQ(n.origem.tipoNf, "NP");
    EXPECT_EQ(n.origem.nota, "0000000031");

    const auto recusa = [&f](auto muda) {
        NotaFiscal m;
        m.protocolo = "1";
        m.chave.nf = "55";
        m.valor = "10";
        m.origem.emitente = "78865280";
        m.origem.nota = "31";
        m.origem.valor = "10";
        muda(m);
        return f.notas.completa(m).value_or(QString());
    };
    EXPECT_EQ(recusa([](NotaFiscal &m) { m.protocolo = "3"; }), Notas::kProtocoloInvalido);
    EXPECT_EQ(recusa([](NotaFiscal &m) { m.chave.tipo = "xx"; }), orva::notas::kTipoNfInvalido);
    EXPECT_EQ(recusa([](NotaFiscal &m) { m.chave.nf = "12a"; }), Notas::kNumeroInvalido);
    EXPECT_EQ(recusa([](NotaFiscal &m) { m.chave.nf.clear(); }), "Falta o Dados do Campo Numero da Nota Fiscal");
    EXPECT_EQ(recusa([](NotaFiscal &m) { m.emissao = "01/01/2016"; }), Notas::kDataForaDoExercicio);
    EXPECT_EQ(recusa([](NotaFiscal &m) { m.valor = "0"; }), Notas::kValorZero);
    EXPECT_EQ(recusa([](NotaFiscal &m) { m.origem.emitente = "12345"; }), orva::notas::kInscricaoInvalida);
    EXPECT_EQ(recusa([](NotaFiscal &m) { m.origem.cpf = true; m.origem.emitente = "105.387.909-11"; }),
              orva::notas::kCpfInvalido) << "digits only, as the field takes them";
    EXPECT_EQ(recusa([](NotaFiscal &m) { m.origem.tipoNf = "XX"; }), orva::notas::kTipoNfInvalido);
    EXPECT_EQ(recusa([](NotaFiscal &m) { m.origem.valor = "0"; }), orva::notas::kValorOrigemZero);
    // A municipality that is not registered is emptied, as the field does.
    EXPECT_EQ(recusa([](NotaFiscal &m) { m.origem.municipio = "999999"; }),
              "Falta o Dados do Campo Municipio de origem da Nota Fiscal");
    // Another type needs no origin note.
    EXPECT_EQ(recusa([](NotaFiscal &m) { m.chave.tipo = "np"; m.origem = {}; }), QString());
    // A declarant of the other declaration type reads as not registered.
    sql::executa(f.program.connection(), "Update Empresa Set Tipo_Declara = '1' Where Inscricao = '00000000000191'");
    EXPECT_EQ(recusa([](NotaFiscal &) {}), "Falta o Dados do Campo Inscrição Estadual do Declarante das Entradas");
}

TEST_P(NotasStore, ASaveWaitsForAnotherProgramsWriteAndFailsWholeWhenItDoesNotEnd)
{
    NotasFixture f(GetParam());
    orva::db::Connection outro;
    outro.open(f.program.alvo());
    orva::db::WriteTransaction trava(outro);
    f.program.connection().setBusyTimeout(100);
    EXPECT_THROW(f.notas.grava(NotasFixture::nota("0000000001", "10")), orva::db::DatabaseError);
    f.program.connection().setBusyTimeout(orva::db::Connection::DefaultBusyTimeout);
    EXPECT_EQ(f.quantas(), 0);
}

// An export marked the protocol after the window accepted it: the save and
// the delete find it closed inside their own transaction.
TEST_P(NotasStore, AProtocolMarkedMeanwhileTakesNoSaveNorDelete)
{
    NotasFixture f(GetParam());
    ASSERT_TRUE(f.notas.grava(NotasFixture::nota("0000000101", "10")).gravada());
    sql::executa(f.program.connection(), "Update Protocolo Set DtTransmissao = '2015-07-01' Where Protocolo = 1");
    const Gravacao g = f.notas.grava(NotasFixture::nota("0000000102", "10"));
    EXPECT_FALSE(g.gravada());
    EXPECT_TRUE(g.recusa.contains("O protocolo 1 não está mais aberto")) << g.recusa.toStdString();
    EXPECT_THROW(f.notas.exclui(NotasFixture::nota("0000000101", "10").chave, "1"), orva::Error);
    EXPECT_EQ(f.quantas(), 1);
}
