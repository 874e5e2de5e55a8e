#include "support/ferramentas.h"
#include "support/window_driver.h"
#include "support/scripted_prompts.h"
#include "support/sql.h"
#include "support/temp_program.h"

#include "common/janeladona.h"
#include "ui/export/frmexportacao.h"
#include "ui/shared/frmconsulta.h"
#include "common/relogio.h"
#include "ui_frmexportacao.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QString transmissao(int protocolo)
{
    orva::db::Query q(dtmDados->ADOConnection);
    q.setSql("Select DtTransmissao From Protocolo Where Protocolo = " + QString::number(protocolo));
    q.open();
    return q.field(0).asString();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A program folder with the archiver beside the program, a company with an
// open invoice protocol 7 holding two rows and an empty open protocol 8.
struct ExportFixture {
    ExportFixture()
    {
        QFile::copy(QStringLiteral(ORVA_DIST_DIR "/rar" ORVA_EXE), program.path("rar" ORVA_EXE));
        orva::defineRelogio([] { return QDateTime(QDate(2026, 12, 8), QTime(9, 0)); });
        sql::executa(dtmDados->ADOConnection, "Insert into Empresa Values ('00000000000001', 'EMPRESA ALFA', '12345678000195', '4711302', '0', '110001')");
        sql::executa(dtmDados->ADOConnection, "Insert into Protocolo (Protocolo, Tipo_Protocolo, Tipo_Entrega, Exercicio, Inscricao, DtGeracao) Values "
             "(7, 0, '1', '2015', '00000000000001', '2015-03-05'), (8, 0, '1', '2015', '00000000000001', '2015-03-05')");
        sql::executa(dtmDados->ADOConnection, "Insert into Notas (INSCRICAO, EXERCICIO, MUNICIPIO, NF, DTA_EMIT_NF, TIPO, VALOR_NF, TIPO_EMITENTE, "
             "NOTA_ORIGEM, DTA_NF_ORIGEM, TIPO_EMITENTE_ORIGEM, EMITENTE_NOTA_ORIGEM, TIPO_NF_ORIGEM, VALOR_NF_ORIGEM, "
             "MUNICIPIO_ORIGEM, PROTOCOLO, OPERACAO) Values "
             "('00000000000001', '2015', '110001', '0000000001', '2015-02-01', 'NP', 10, 1, '0000000000', '1900-01-01', "
             "0, '00000000000000', '', 0, '', 7, 'I'), "
             "('00000000000001', '2015', '110001', '0000000002', '2015-02-02', 'NP', 2.5, 1, '0000000000', "
             "'1900-01-01', 0, '00000000000000', '', 0, '', 7, 'I')");
        consulta = std::make_unique<TfrmConsulta>();
        frmConsulta = consulta.get();
        frm = std::make_unique<TfrmExportacao>();
        frm->show();
        frm->activateWindow();
        QApplication::processEvents();
        f = frm->form();
    }
    ~ExportFixture()
    {
        frmConsulta = nullptr;
        orva::defineRelogio({});
    }

    void load(const QString &numero)
    {
        QApplication::setActiveWindow(frm.get());
        janela::digita(f->edtProtocolo, numero);
        janela::sai();
    }

    TempProgram program;
    ScriptedPrompts prompts;
    std::unique_ptr<TfrmConsulta> consulta;
    std::unique_ptr<TfrmExportacao> frm;
    Ui::frmExportacao *f = nullptr;
};

} // namespace

TEST(Exportacao, RunPacksOffersTheCopyWindowAndMarksTheProtocol)
{
    ExportFixture t;
    t.load("7");
    EXPECT_EQ(t.f->edtExercicio->text(), "2015");
    EXPECT_EQ(t.f->lblNomeEmpresa->text(), "EMPRESA ALFA");
    EXPECT_EQ(t.f->lblTipoEntrega->text(),
              "Tipo de Protocolo.: Declaração de Notas Fiscais de Entrada\nTipo de Entrega.: Normal");
    const QString arquivo = t.program.path("dados/Orva000700000000000001.exp");
    EXPECT_EQ(t.f->edtArquivo->text(), arquivo);

    t.prompts.answers.push_back(false); // do not transmit now
    t.frm->btnValidarClick();
    EXPECT_EQ(t.prompts.shown.at(0).caption, "Confirmação");
    EXPECT_EQ(t.prompts.shown.at(0).text, "Deseja transmitir o arquivo agora?");
    EXPECT_EQ(t.prompts.shown.at(0).defaultButton, orva::Prompts::Button::No);
    EXPECT_EQ(t.prompts.modalWindows, QStringList{"frmCopiaArquivo"});
    EXPECT_EQ(t.prompts.last().text, "Exportação Concluida!");
    EXPECT_EQ(t.f->edtProcessados->text(), "2");
    EXPECT_EQ(transmissao(7), "08/12/2026");

    // The archive gives the declaration file back unchanged, and a standard tool reads it.
    const QString archive = t.program.path("enviar/Orva000700000000000001.rar");
    ASSERT_TRUE(QFileInfo::exists(archive));
    QTemporaryDir out;
    QProcess rar;
    rar.start(t.program.path("rar" ORVA_EXE), {"e", "-y", archive, out.path()});
    ASSERT_TRUE(rar.waitForFinished(30000));
    EXPECT_EQ(rar.exitCode(), 0);
    const QByteArray declaracao = readFile(arquivo);
    EXPECT_EQ(declaracao.count("\r\n"), 4);
    EXPECT_EQ(readFile(out.filePath("Orva000700000000000001.exp")), declaracao);
    if (!ferramentaHost(QStringLiteral("bsdtar")).isEmpty()) {
        const ResultadoHost bsdtar = executaHost(QStringLiteral("bsdtar"), {"-tf", caminhoHost(archive)});
        ASSERT_TRUE(bsdtar.terminou);
        EXPECT_EQ(bsdtar.saida.trimmed(), "Orva000700000000000001.exp");
    }

    // Exported protocols are no longer offered.
    t.prompts.clear();
    t.load("7");
    EXPECT_EQ(t.prompts.texts(), QStringList{"Este número de protocolo não existe, \nou ja foi entregue !"});
}

TEST(Exportacao, TransmitStartsTheClientOnTheSendFolderAndReportsAClientThatCannotStart)
{
    ExportFixture t;
    t.load("7");
    t.prompts.answers.push_back(true);
    t.prompts.programStarts = false;
    t.frm->btnValidarClick();
    ASSERT_EQ(t.prompts.programs.size(), 1u);
    EXPECT_EQ(t.prompts.programs[0].program, t.program.path("ClienteOrvaDATP/ClienteORVA" ORVA_EXE));
    EXPECT_EQ(t.prompts.programs[0].arguments, QStringList{t.program.path("enviar") + "/"});
    EXPECT_TRUE(t.prompts.programs[0].workingFolder.startsWith(t.program.path("ClienteOrvaDATP")));
    const QStringList texts = t.prompts.texts();
    ASSERT_GE(texts.size(), 3);
    EXPECT_TRUE(texts.at(1).startsWith("Não foi possível iniciar o programa de transmissão")) << texts.at(1).toStdString();
    EXPECT_EQ(texts.last(), "Exportação Concluida!");
    EXPECT_TRUE(t.prompts.modalWindows.isEmpty());
}

// While the delivery client runs, the export window is greyed (it keeps
// painting, nothing in it can be used); it comes back when the client ends.
TEST(Exportacao, TheWindowIsGreyedWhileTheClientRuns)
{
    struct ObservaCliente : ScriptedPrompts {
        std::function<void()> durante;
        bool runProgram(const QString &program, const QStringList &arguments, const QString &folder) override
        {
            durante();
            return ScriptedPrompts::runProgram(program, arguments, folder);
        }
    };
    ExportFixture t;
    ObservaCliente prompts; // answers in place of the fixture's
    t.load("7");
    prompts.answers.push_back(true);
    bool habilitadaDurante = true;
    QByteArray dona;
    prompts.durante = [&] {
        habilitadaDurante = t.frm->isEnabled();
        dona = qgetenv(orva::kJanelaDona); // the client learns which window to stay above
    };
    t.frm->btnValidarClick();
    ASSERT_EQ(prompts.programs.size(), 1u);
    EXPECT_FALSE(habilitadaDurante);
    EXPECT_EQ(dona, QByteArray::number(quint64(t.frm->winId())));
    EXPECT_FALSE(qEnvironmentVariableIsSet(orva::kJanelaDona));
    EXPECT_TRUE(t.frm->isEnabled());
    EXPECT_EQ(prompts.last().text, "Exportação Concluida!");
}

TEST(Exportacao, NothingToExportOrNothingLoadedOrNoArchiverMarksNothing)
{
    ExportFixture t;
    // An empty protocol: records "10" and "20" only, the warning, no archive, no mark.
    t.load("8");
    t.frm->btnValidarClick();
    EXPECT_EQ(t.prompts.texts(), QStringList{"Não existem registros para este protocolo, Exportação Cancelada!"});
    EXPECT_EQ(readFile(t.program.path("dados/Orva000800000000000001.exp")).count("\r\n"), 2);
    EXPECT_FALSE(QFileInfo::exists(t.program.path("enviar/Orva000800000000000001.rar")));
    EXPECT_EQ(transmissao(8), "");

    // A failed lookup forgets the protocol loaded before: the run cannot pair them.
    t.load("7");
    t.prompts.clear();
    t.load("99");
    EXPECT_EQ(t.prompts.texts(), QStringList{"Este número de protocolo não existe, \nou ja foi entregue !"});
    EXPECT_TRUE(t.f->edtArquivo->text().isEmpty());
    EXPECT_TRUE(t.frm->RegistroEmpresa().isEmpty());
    t.frm->btnValidarClick();
    EXPECT_EQ(t.prompts.last().text, "Falta os Dados do CampoAno de Entrada das Notas Fiscais");
    EXPECT_FALSE(QFileInfo::exists(t.program.path("dados/Orva009900000000000001.exp")));

    // Without the archiver the failure is reported and the protocol stays open.
    QFile::remove(t.program.path("rar" ORVA_EXE));
    t.load("7");
    t.prompts.clear();
    t.frm->btnValidarClick();
    ASSERT_FALSE(t.prompts.shown.empty());
    EXPECT_TRUE(t.prompts.last().text.startsWith("Problemas na compactação do arquivo de dados !"));
    EXPECT_EQ(transmissao(7), "");
    EXPECT_TRUE(t.prompts.previews.isEmpty());
}

TEST(OrvaCli, ExportPrintsThePathsAndRefusesWhatIsNotExportable)
{
    ExportFixture t;
    dtmDados->ADOConnection.close(); // the command opens the database itself
    QProcess cli;
    cli.start(QStringLiteral(ORVA_DIST_DIR "/orva-cli" ORVA_EXE), {"--dir", t.program.dir.path(), "export", "--protocolo", "7"},
              QIODevice::ReadWrite | QIODevice::Text); // Windows ends its lines with CR LF
    ASSERT_TRUE(cli.waitForFinished(60000));
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    const QStringList lines = QString::fromUtf8(cli.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines, (QStringList{t.program.path("dados/Orva000700000000000001.exp"),
                                  t.program.path("enviar/Orva000700000000000001.rar")}));
    for (const char *numero : {"7", "8", "x"}) {
        cli.start(QStringLiteral(ORVA_DIST_DIR "/orva-cli" ORVA_EXE), {"--dir", t.program.dir.path(), "export", "--protocolo", numero});
        ASSERT_TRUE(cli.waitForFinished(60000));
        EXPECT_NE(cli.exitCode(), 0) << numero;
        EXPECT_FALSE(cli.readAllStandardError().isEmpty()) << numero;
    }
    dtmDados->ADOConnection.reopen();
    EXPECT_FALSE(transmissao(7).isEmpty());
    EXPECT_EQ(transmissao(8), "");
}

TEST(Exportacao, OpensOnTheProtocolSoTheFirstDigitsTypedLandThere)
{
    ExportFixture t;
    QApplication::setActiveWindow(t.frm.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(t.frm.get()));
    janela::assenta();
    ASSERT_EQ(QApplication::focusWidget(), t.f->edtProtocolo);
    QTest::keyClicks(QApplication::focusWidget(), "7");
    EXPECT_EQ(t.f->edtProtocolo->text(), "7");
}
