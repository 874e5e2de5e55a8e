#include "support/pdf_text.h"
#include "support/sql.h"
#include "support/scripted_prompts.h"
#include "support/temp_program.h"

#include "ui/maintenance/relatorios.h"
#include "ui/shared/frmconsulta.h"
#include "ui/app/frmprincipal.h"
#include "ui/app/inicio.h"
#include "core/shell/instalacao.h"
#include "common/relogio.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The program's search window with the reports hooked to its print button,
// a fixed clock, and a preview that paints each report twice into PDF files
// (the preview, then a print from it).
struct Relatorios {
    TempProgram program;
    ScriptedPrompts prompts;
    std::unique_ptr<TfrmConsulta> consulta;
    QTemporaryDir saida;
    QStringList pdfs;

    Relatorios()
    {
        consulta = std::make_unique<TfrmConsulta>();
        frmConsulta = consulta.get();
        consulta->ImprimeRelacao = orva::relatorios::ImprimeRelacao;
        orva::defineRelogio([] { return QDateTime(QDate(2015, 3, 5), QTime(14, 7, 9)); });
        prompts.previewHandler = [this](const std::function<void(QPrinter *)> &paint) {
            for (int i = 0; i < 2; ++i) {
                const QString path = saida.filePath(QStringLiteral("%1.pdf").arg(pdfs.size()));
                QPrinter printer(QPrinter::HighResolution);
                printer.setOutputFormat(QPrinter::PdfFormat);
                printer.setOutputFileName(path);
                paint(&printer);
                pdfs << path;
            }
        };
    }
    ~Relatorios()
    {
        frmConsulta = nullptr;
        orva::defineRelogio({});
    }

    // Searches the table (filtered when a column is given), presses
    // "Imprimir" and closes the search window.
    void imprime(const QString &tabela, const QString &campo = QString(), const QString &operador = QString(),
                 const QString &chave = QString())
    {
        consulta->DefineTabela(tabela);
        prompts.dialogHandlers.push_back([&](QDialog &) {
            consulta->cmbCampo()->setEditText(campo);
            consulta->cmbOperador()->setEditText(operador);
            consulta->edtChave()->setText(chave);
            QTest::mouseClick(consulta->findChild<QPushButton *>(QStringLiteral("btnConfirma")), Qt::LeftButton);
            QTest::mouseClick(consulta->findChild<QPushButton *>(QStringLiteral("btnImprimir")), Qt::LeftButton);
            consulta->btnFecharClick();
            return consulta->result();
        });
        consulta->Executa();
    }

    // The pages of the first painting; the second must read the same.
    QStringList paginas()
    {
        EXPECT_EQ(pdfs.size(), 2);
        if (pdfs.size() < 2)
            return {};
        QStringList primeira = pdfPages(pdfs[0]);
        EXPECT_EQ(pdfPages(pdfs[1]), primeira) << "a second print differs from the preview";
        for (QString &p : primeira)
            p = simplified(p);
        return primeira;
    }
};

void empresas()
{
    sql::executa(dtmDados->ADOConnection, "Insert into Empresa (Inscricao, Razao, Cnpj, Cnae, Tipo_Declara, Municipio) Values "
         "('00000000000101', 'ALFA COMERCIO LTDA', '11111111000191', '4711301', '0', '110001'), "
         "('00000000000202', 'BETA INDUSTRIA SA', '22222222000191', '1011201', '1', '110002')");
}

#define EXPECT_CONTAINS(text, part) EXPECT_TRUE((text).contains(part)) << (text).toStdString()

} // namespace

TEST(Relatorios, NotasDeDoisDeclarantesEmDuasPaginasComSubTotalProprio)
{
    Relatorios f;
    empresas();
    sql::executa(dtmDados->ADOConnection, "Insert into Notas (INSCRICAO, EXERCICIO, MUNICIPIO, NF, DTA_EMIT_NF, TIPO, VALOR_NF, PROTOCOLO, OPERACAO) Values "
         "('00000000000202', '2015', '110002', '7', '2015-04-01', 'NE', 2000, 2, 'I'), "
         "('00000000000101', '2015', '110001', '1', '2015-02-10', 'NP', 1234.56, 1, 'I'), "
         "('00000000000101', '2015', '110003', '2', '2015-02-11', 'NA', 100, 1, 'I'), "
         "('00000000000202', '2015', '110002', '8', '2015-04-02', 'NE', 50.5, 2, 'I')");
    f.imprime("vwNotaFiscal", "INSCRICAO", "Like", "000");

    EXPECT_EQ(f.prompts.previews, QStringList{"Relatorio de Notas Fiscais"});
    EXPECT_TRUE(f.prompts.shown.empty());
    const QStringList p = f.paginas();
    ASSERT_EQ(p.size(), 2);
    EXPECT_TRUE(pdfPageSize(f.pdfs[0]).endsWith("(A4)")) << pdfPageSize(f.pdfs[0]).toStdString();
    EXPECT_TRUE(p[0].startsWith("Relação de Notas Fiscais 05/03/2015 14:07:09 Exercicio Empresea Declarante")) << p[0].toStdString();
    EXPECT_CONTAINS(p[0], "2015 00000000000101 ALFA COMERCIO LTDA "
                          "Município Nota Fiscal Tipo NF. Data de Emissão Valor da Nota Fiscal "
                          "110001 1 NP 10/02/2015 1.234,56 110003 2 NA 11/02/2015 100,00 Sub Total.: 1.334,56");
    EXPECT_FALSE(p[0].contains("BETA"));
    EXPECT_TRUE(p[0].endsWith("Pagina: 1"));
    EXPECT_CONTAINS(p[1], "2015 00000000000202 BETA INDUSTRIA SA");
    EXPECT_CONTAINS(p[1], "110002 7 NE 01/04/2015 2.000,00 110002 8 NE 02/04/2015 50,50 Sub Total.: 2.050,50");
    EXPECT_TRUE(p[1].endsWith("Pagina: 2"));
}

TEST(Relatorios, RateioComEntradaZeroMostraAsteriscoENaoSomaNada)
{
    Relatorios f;
    empresas();
    sql::executa(dtmDados->ADOConnection, "Insert into Rateio (INSCRICAO, EXERCICIO, MUNICIPIO, VALOR_ENTRADA, VALOR_SAIDA, PROTOCOLO, OPERACAO) Values "
         "('00000000000202', '2015', '110001', 0, 500, 3, 'I'), "
         "('00000000000202', '2015', '110002', 1500.75, 0, 3, 'I'), "
         "('00000000000202', '2015', '110004', 10, 20.1, 3, 'I')");
    f.imprime("vwRateio");

    EXPECT_EQ(f.prompts.previews, QStringList{"Relatorio de Rateio"});
    const QStringList p = f.paginas();
    ASSERT_EQ(p.size(), 1);
    EXPECT_CONTAINS(p[0], "Relação de Rateios 05/03/2015 14:07:09 Exercicio Empresea Declarante "
                          "2015 00000000000202 BETA INDUSTRIA SA Município Valor de Entrada Valor de Saida");
    EXPECT_CONTAINS(p[0], "110001 - ÁGUA AZUL DO SERTÃO * 500,00 "
                          "110002 - ÁGUA BRANCA DO JARI 1.500,75 * "
                          "110004 - ALTO ALEGRE DOS BURITIS 10,00 20,10 "
                          "Total.: 1.510,75 520,10 Pagina: 1");
}

TEST(Relatorios, TabelaDeCodigosPelasDuasPrimeirasColunasDaPesquisa)
{
    Relatorios f;
    f.imprime("Tipo_Entrega");
    EXPECT_EQ(f.prompts.previews, QStringList{"Relatorio da Tabela"});
    QStringList p = f.paginas();
    ASSERT_EQ(p.size(), 1);
    EXPECT_EQ(p[0].toStdString(), "Relação da Tabela Tipo_Entrega. 05/03/2015 14:07:09 Código Descrição 1 Normal 2 Retificadora Pagina: 1");

    // Whatever the first two columns are called, they are the ones printed;
    // the filtered statement is the one the report runs.
    sql::executa(dtmDados->ADOConnection, "Insert into Produtor (Inscricao, Nome, Propriedade, CGC_CPF, Cod_Municipio) Values "
         "('0000000000555', 'JOSE DA ROCA', 'SITIO', '12345678909', '110001'), "
         "('0000000000777', 'MARIA DO CAMPO', 'FAZENDA', '', '110002')");
    f.pdfs.clear();
    f.imprime("Produtor", "Inscricao", "=", "0000000000777");
    p = f.paginas();
    ASSERT_EQ(p.size(), 1);
    EXPECT_EQ(p[0].toStdString(), "Relação da Tabela Produtor. 05/03/2015 14:07:09 Código Descrição 0000000000777 MARIA DO CAMPO Pagina: 1");
}

TEST(Relatorios, PesquisaVaziaNaoAbreRelatorio_ComandoRecusadoMostraOErro)
{
    Relatorios f;
    f.imprime("Tipo_Entrega", "Descricao", "=", "Inexistente");
    EXPECT_EQ(f.prompts.texts(), QStringList{"Não existe registros filtrados"});
    EXPECT_TRUE(f.prompts.previews.isEmpty());
    EXPECT_TRUE(f.pdfs.isEmpty());

    // A statement the database refuses opens no preview.
    f.prompts.clear();
    orva::relatorios::ImprimeRelacao("Empresa", "Select * From Inexistente");
    ASSERT_EQ(f.prompts.shown.size(), 1u);
    EXPECT_EQ(f.prompts.last().kind, "error");
    EXPECT_TRUE(f.prompts.previews.isEmpty());

    // A listing without the report's columns fails while painting: the
    // preview closes normally and the failure is shown once afterwards.
    f.prompts.clear();
    empresas();
    orva::relatorios::ImprimeRelacao("Empresa", "Select Inscricao From Empresa");
    EXPECT_EQ(f.prompts.previews, QStringList{"Relatorio de Empresas"});
    ASSERT_EQ(f.prompts.shown.size(), 1u);
    EXPECT_EQ(f.prompts.last().kind, "error");
    EXPECT_CONTAINS(f.prompts.last().text, "RAZAO");
}

TEST(Relatorios, EmpresasEProtocolosPorExercicio)
{
    Relatorios f;
    empresas();
    f.imprime("Empresa");
    EXPECT_EQ(f.prompts.previews, QStringList{"Relatorio de Empresas"});
    QStringList p = f.paginas();
    ASSERT_EQ(p.size(), 1);
    EXPECT_EQ(p[0].toStdString(), "Relação de Empresas 05/03/2015 14:07:09 Empresea Declarante C.N.P.J C.N.A.E Tipo "
                    "00000000000101 ALFA COMERCIO LTDA 11111111000191 4711301 0 "
                    "00000000000202 BETA INDUSTRIA SA 22222222000191 1011201 1 Pagina: 1");

    sql::executa(dtmDados->ADOConnection, "Insert into Protocolo (Protocolo, Tipo_Protocolo, Tipo_Entrega, Exercicio, Inscricao, DtGeracao, DtTransmissao, "
         "Responsavel, Razao, Cnpj) Values "
         "(1, 0, '1', '2014', '00000000000101', '2014-05-02', '2014-05-03', 'ANA', 'ALFA COMERCIO LTDA', '11111111000191'), "
         "(2, 1, '1', '2015', '00000000000202', '2015-03-01', NULL, 'BRUNO', 'BETA INDUSTRIA SA', '22222222000191'), "
         "(3, 0, '2', '2015', '00000000000101', '2015-03-02', NULL, 'ANA', 'ALFA COMERCIO LTDA', '11111111000191')");
    f.pdfs.clear();
    f.imprime("Protocolo", "Exercicio", "Like", "20");
    EXPECT_EQ(f.prompts.previews.last(), "Relatorio de Protocolos");
    p = f.paginas();
    ASSERT_EQ(p.size(), 2);
    EXPECT_EQ(p[0].toStdString(), "Relação de Protocolos 05/03/2015 14:07:09 Exercicio 2014 Nr. Protocolo Empresa declarante "
                    "Data de Emissão Data de Transmissão Responsavel "
                    "1 00000000000101 11111111000191 ALFA COMERCIO LTDA 02/05/2014 03/05/2014 ANA Pagina: 1");
    EXPECT_CONTAINS(p[1], "Exercicio 2015 Nr. Protocolo");
    EXPECT_CONTAINS(p[1], "2 00000000000202 22222222000191 BETA INDUSTRIA SA 01/03/2015 BRUNO "
                          "3 00000000000101 11111111000191 ALFA COMERCIO LTDA 02/03/2015 ANA Pagina: 2");
}

TEST(Relatorios, OProgramaLigaOsRelatoriosAPesquisaEOSobreAoMenu)
{
    QTemporaryDir dir;
    orva::install::createProgramFolder(dir.path());
    Funcoes::DefineDiretorioSistema(dir.path());
    ScriptedPrompts prompts;
    {
        auto objetos = IniciaPrograma();
        ASSERT_NE(objetos, nullptr);
        frmConsulta->DefineTabela("Tipo_Entrada");
        prompts.dialogHandlers.push_back([](QDialog &) {
            frmConsulta->btnConfirmaClick();
            frmConsulta->btnImprimirClick();
            frmConsulta->btnFecharClick();
            return 0;
        });
        frmConsulta->Executa();
        EXPECT_EQ(prompts.previews, QStringList{"Relatorio da Tabela"});
        EXPECT_TRUE(prompts.shown.empty());

        objetos->frmPrincipal->Sober1Click();
        EXPECT_EQ(prompts.modalWindows.last(), "FSobre");
    }
    Funcoes::DefineDiretorioSistema(QString());
}
