#include "support/temp_program.h"
#include "support/sql.h"

#include "common/win1252.h"
#include "core/export/exportacao.h"
#include "common/relogio.h"

#include <QFile>

#include <random>

#include <gtest/gtest.h>

using namespace orva::exportacao;

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

// The expected file: Windows-1252 lines, each ended by CR LF.
QByteArray golden(const QStringList &lines)
{
    QByteArray out;
    for (const QString &line : lines)
        out += orva::win1252::encode(line) + "\r\n";
    return out;
}

QString blanks(int n) { return QString(n, QLatin1Char(' ')); }

struct FixedClock {
    FixedClock() { orva::defineRelogio([] { return QDateTime(QDate(2026, 12, 8), QTime(10, 0)); }); }
    ~FixedClock() { orva::defineRelogio({}); }
};

} // namespace

TEST(Declaracao, InvoiceProtocolMatchesTheHandWrittenFile)
{
    TempProgram program;
    FixedClock clock;
    sql::executa(dtmDados->ADOConnection, "Insert into Empresa Values ('00000000000001', 'CAÇA E PESCA LTDA', '12345678000195', '4711302', '0', '110001')");
    sql::executa(dtmDados->ADOConnection, "Insert into Protocolo (Protocolo, Tipo_Protocolo, Tipo_Entrega, Exercicio, Inscricao, DtGeracao, Crc, "
         "Responsavel, Razao, Cnpj, Municipio) Values (7, 0, '1', '2015', '00000000000001', '2015-03-05', '0', 'JOSÉ', "
         "'CAÇA E PESCA LTDA', '12345678000195', '110001')");
    sql::executa(dtmDados->ADOConnection, "Insert into Notas Values ('00000000000001', '2015', '110002', '0000000123', '2015-02-10', 'NP', 10.0, 1, "
         "'0000000000', '1900-01-01', 0, '00000000000000', '', 0, '', 7, 'I')");
    sql::executa(dtmDados->ADOConnection, "Insert into Notas Values ('00000000000001', '2015', '110003', '0000000124', '2015-04-01', 'NE', 2.5, 1, "
         "'0000000055', '2015-03-30', 1, '00000078865280', 'NP', 2.5, '110063', 7, 'A')");
    sql::executa(dtmDados->ADOConnection, "Insert into Notas Values ('00000000000001', '2015', '110004', '0000000125', '2015-05-15', 'NA', 1234.5, 1, "
         "'0000000000', '1900-01-01', 0, '00000000000000', '', 0, '', 7, 'E')");
    // A row of another protocol stays out.
    sql::executa(dtmDados->ADOConnection, "Insert into Notas Values ('00000000000001', '2015', '110005', '0000000126', '2015-05-15', 'NA', 1, 1, "
         "'0000000000', '1900-01-01', 0, '00000000000000', '', 0, '', 6, 'I')");

    Exportador exportador(dtmDados->ADOConnection);
    const auto protocolo = exportador.carregaProtocolo("7", orva::hoje());
    ASSERT_TRUE(protocolo);
    EXPECT_EQ(protocolo->arquivo, program.path("dados/Orva000700000000000001.exp"));
    EXPECT_EQ(protocolo->baseCompactado, program.path("enviar/Orva000700000000000001"));
    const auto empresa = exportador.registroEmpresa(protocolo->inscricao);
    ASSERT_TRUE(empresa);
    const ResultadoGravacao r = exportador.gravaArquivo(*protocolo, *empresa);
    EXPECT_EQ(r.linhas, 3);

    const QString razao = "CAÇA E PESCA LTDA";
    const QByteArray expected = golden({
        "10" "00000000000001" + razao + blanks(53) + "12345678000195" "4711302" "0000" "110001",
        "20" "0007" "00" "01" "2015" "00000000000001" "05/03/2015" "08/12/2026" "12345678000195" + razao + blanks(33)
            + "00000000000000" "JOSÉ" + blanks(46)
            + "000000000124700" "000000000000300" "000000000000000" "000000000000000" "000000000000000" "110001",
        "30" "00000000000001" "2015" "110002" "0000000123" "10/02/2015" "NP" "000000000001000" "01" "0000000000"
        "01/01/1900" "00" "00000000000000" "  " "000000000000000" "000000" "0007" "I",
        "30" "00000000000001" "2015" "110003" "0000000124" "01/04/2015" "NE" "000000000000250" "01" "0000000055"
        "30/03/2015" "01" "00000078865280" "NP" "000000000000250" "110063" "0007" "A",
        "30" "00000000000001" "2015" "110004" "0000000125" "15/05/2015" "NA" "000000000123450" "01" "0000000000"
        "01/01/1900" "00" "00000000000000" "  " "000000000000000" "000000" "0007" "E",
    });
    const QByteArray written = readFile(protocolo->arquivo);
    EXPECT_EQ(written, expected);
    // "Ç" is one byte on disk and one position in the record.
    EXPECT_EQ(written.indexOf("\r\n"), 117);
    EXPECT_EQ(static_cast<unsigned char>(written.at(16 + 2)), 0xC7);
    EXPECT_TRUE(written.endsWith("0007E\r\n"));
}

TEST(Declaracao, ApportionmentProtocolAndALongNamePushingFieldsRight)
{
    TempProgram program;
    FixedClock clock;
    const QString nome70 = "COOPERATIVA AGROPECUARIA DOS PRODUTORES RURAIS DO VALE DO RIO AZUL LTD";
    ASSERT_EQ(nome70.size(), 70);
    sql::executa(dtmDados->ADOConnection, "Insert into Empresa Values ('00000000000060', '" + nome70 + "', '11111111111', '111', '1', '110180')");
    sql::executa(dtmDados->ADOConnection, "Insert into Protocolo (Protocolo, Tipo_Protocolo, Tipo_Entrega, Exercicio, Inscricao, DtGeracao, Crc, "
         "Responsavel, Razao, Cnpj, Municipio) Values (12, 1, '2', '2015', '00000000000060', '2015-01-02', '123', "
         "'MARIA', '" + nome70 + "', '11111111111', '110180')");
    sql::executa(dtmDados->ADOConnection, "Insert into Rateio Values ('00000000000060', '2015', '110001', 100.0, 50.25, 12, 'I')");
    sql::executa(dtmDados->ADOConnection, "Insert into Rateio Values ('00000000000060', '2015', '110002', 0.1, 0.01, 12, 'E')");

    Exportador exportador(dtmDados->ADOConnection);
    const auto protocolo = exportador.carregaProtocolo("12", orva::hoje());
    ASSERT_TRUE(protocolo);
    const auto empresa = exportador.registroEmpresa(protocolo->inscricao);
    ASSERT_TRUE(empresa);
    EXPECT_EQ(exportador.gravaArquivo(*protocolo, *empresa).linhas, 2);

    const QStringList lines = {
        "10" "00000000000060" + nome70 + "00011111111111" "0000111" "0001" "110180",
        "20" "0012" "01" "02" "2015" "00000000000060" "02/01/2015" "08/12/2026" "00011111111111" + nome70
            + "00000000000123" "MARIA" + blanks(45)
            + "000000000000000" "000000000000000" "000000000010010" "000000000005026" "000000000000200" "110180",
        "40" "00000000000060" "2015" "110001" "000000000010000" "000000000005025" "0012" "I",
        "40" "00000000000060" "2015" "110002" "000000000000010" "000000000000001" "0012" "E",
    };
    EXPECT_EQ(lines[0].size(), 117);
    EXPECT_EQ(lines[1].size(), 257 + 20);
    EXPECT_EQ(lines[2].size(), 61);
    EXPECT_EQ(readFile(protocolo->arquivo), golden(lines));
}

TEST(Declaracao, TotalsAndWhatCannotBeExported)
{
    TempProgram program;
    FixedClock clock;
    sql::executa(dtmDados->ADOConnection, "Insert into Empresa Values ('00000000000001', 'A', '12345678000195', '4711302', '0', '110001')");
    sql::executa(dtmDados->ADOConnection, "Insert into Protocolo (Protocolo, Tipo_Protocolo, Tipo_Entrega, Exercicio, Inscricao) Values "
         "(1, 0, '1', '2015', '00000000000001'), (2, 0, '1', '2015', '00000000000001'), "
         "(3, 5, '1', '2015', '00000000000001')");
    sql::executa(dtmDados->ADOConnection, "Insert into Protocolo (Protocolo, Tipo_Protocolo, Inscricao, DtTransmissao) Values (4, 0, '00000000000001', "
         "'2015-12-01')");
    sql::executa(dtmDados->ADOConnection, "Insert into Notas (INSCRICAO, EXERCICIO, MUNICIPIO, NF, TIPO, VALOR_NF, PROTOCOLO, OPERACAO) Values "
         "('00000000000001', '2015', '110001', '1', 'NP', 10.00, 1, 'I'), "
         "('00000000000001', '2015', '110001', '2', 'NP', 2.50, 1, 'I')");
    Exportador exportador(dtmDados->ADOConnection);

    const auto comNotas = exportador.carregaProtocolo("1", orva::hoje());
    ASSERT_TRUE(comNotas);
    EXPECT_EQ(comNotas->registroProtocolo.mid(176, 75),
              "000000000001250" "000000000000200" "000000000000000" "000000000000000" "000000000000000");

    // No rows: records "10" and "20" only.
    const auto vazio = exportador.carregaProtocolo("2", orva::hoje());
    ASSERT_TRUE(vazio);
    const auto empresa = exportador.registroEmpresa(vazio->inscricao);
    EXPECT_EQ(exportador.gravaArquivo(*vazio, *empresa).linhas, 0);
    const QByteArray file = readFile(vazio->arquivo);
    EXPECT_EQ(file.count("\r\n"), 2);
    EXPECT_TRUE(file.startsWith("10"));

    // Another type: the integrity message, the file left empty.
    const auto invalido = exportador.carregaProtocolo("3", orva::hoje());
    ASSERT_TRUE(invalido);
    try {
        exportador.gravaArquivo(*invalido, *empresa);
        FAIL() << "type 5 exported";
    } catch (const orva::Error &e) {
        EXPECT_EQ(e.message(), mensagemTipoInvalido());
    }
    EXPECT_TRUE(readFile(invalido->arquivo).isEmpty());

    // Transmitted, unknown or non-numeric protocols are not exportable.
    EXPECT_FALSE(exportador.carregaProtocolo("4", orva::hoje()));
    EXPECT_FALSE(exportador.carregaProtocolo("99", orva::hoje()));
    EXPECT_FALSE(exportador.carregaProtocolo("1 or 1=1", orva::hoje()));

    // Cancelling after the first row keeps what was written.
    const auto cancelado = exportador.gravaArquivo(*comNotas, *empresa, [](int linhas, int total) {
        EXPECT_EQ(total, 2);
        return linhas < 2;
    });
    EXPECT_TRUE(cancelado.cancelado);
    EXPECT_EQ(readFile(comNotas->arquivo).count("\r\n"), 3);

    exportador.marcaTransmitido("1", QDate(2015, 12, 31));
    EXPECT_FALSE(exportador.carregaProtocolo("1", orva::hoje()));
}

// Detail records are written straight from the stored values when the row is
// plain ASCII; whatever the row holds, the bytes must be those of the text form.
TEST(Declaracao, RecordsFromStoredValuesAreTheTextFormEncoded)
{
    TempProgram program;
    QStringList valores = {"10.125", "-0.125", "0.005", "-0.001", "-0.0", "0", "2.675", "1.005", "123456789012.345",
                           "999999999999.995", "1e15", "1e300", "Null", "7", "-3", "'12,5'"};
    std::mt19937_64 sorteio(7);
    for (int i = 0; i < 3000; ++i) // amounts of three decimals: every tie there is
        valores << QString::number(static_cast<qint64>(sorteio() % 20000000000ULL) - 10000000000LL) + "e-3";
    QStringList linhas;
    for (int i = 0; i < valores.size(); ++i) {
        const QString v = valores.at(i);
        // Text columns take, in turn, a date not in the stored form, a non-ASCII
        // name, an integer, an amount and a null.
        const QString texto = QStringList{"'2015-3-1'", "'JOSÉ'", "12", "1.5", "Null", "'0000000055'"}.at(i % 6);
        linhas << QString("('00000000000001', '2015', '110002', '%1', '2015-02-10', 'NP', %2, %3, %4, %5, 1, %4, "
                          "'NP', %2, %4, 7, 'I')")
                      .arg(i)
                      .arg(v, i % 2 ? "1" : "'1'", texto, i % 3 ? "'2015-03-30'" : texto);
    }
    sql::executa(dtmDados->ADOConnection, "Insert into Notas Values " + linhas.join(", "));
    sql::executa(dtmDados->ADOConnection, "Insert into Rateio Select INSCRICAO, EXERCICIO, NF, VALOR_NF, -VALOR_NF_ORIGEM, 8, OPERACAO From Notas");

    for (const QString tabela : {"Notas", "Rateio"}) {
        orva::db::Query q(dtmDados->ADOConnection);
        q.setForwardOnly(true);
        q.setSql("Select * From " + tabela);
        q.open();
        const orva::declaracao::RegistroDetalhe detalhe(q, tabela == "Notas" ? 0 : 1);
        int n = 0;
        for (; !q.eof(); q.next(), ++n) {
            QByteArray direto;
            detalhe.acrescentaWin1252(direto);
            ASSERT_EQ(direto, orva::win1252::encode(detalhe.registro())) << tabela.toStdString() << " row " << n;
        }
        EXPECT_EQ(n, valores.size());
    }
}
