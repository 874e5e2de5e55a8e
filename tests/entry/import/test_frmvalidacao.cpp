#include "entry/import/notas_teste.h"
#include "support/window_driver.h"
#include "support/scripted_prompts.h"

#include "ui/import/frmvalidacao.h"
#include "ui/shared/frmconsulta.h"
#include "ui/app/frmprincipal.h"
#include "ui/shell/querymodel.h"
#include "ui_frmvalidacao.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace notas_teste;

namespace {

// Scripted answers that can also act when the import question is asked.
struct Prompts : ScriptedPrompts {
    std::function<void()> aoPerguntar;
    bool question(const QString &caption, const QString &text, Icon icon, Button defaultButton) override
    {
        if (aoPerguntar)
            aoPerguntar();
        return ScriptedPrompts::question(caption, text, icon, defaultButton);
    }
};

struct Janela {
    Janela()
    {
        consulta = std::make_unique<TfrmConsulta>();
        frmConsulta = consulta.get();
        frm = std::make_unique<TfrmValidacao>();
        frm->show();
        QApplication::setActiveWindow(frm.get());
        QApplication::processEvents();
        f = frm->form();
    }
    ~Janela() { frmConsulta = nullptr; }

    void protocolo(const QString &numero)
    {
        QApplication::setActiveWindow(frm.get());
        janela::digita(f->edtProtocolo, numero);
        janela::sai();
    }
    void arquivo(const QString &caminho)
    {
        prompts.openAnswers.push_back(caminho);
        QTest::mouseClick(f->btnConsMunicipio, Qt::LeftButton);
    }
    void valida() { QTest::mouseClick(f->btnValidar, Qt::LeftButton); }
    QStringList limpas(int n)
    {
        QStringList linhas;
        for (int i = 1; i <= n; ++i)
            linhas << notaNP(QString::number(i).rightJustified(10, '0')).linha();
        return linhas;
    }

    Programa p;
    Prompts prompts;
    std::unique_ptr<TfrmConsulta> consulta;
    std::unique_ptr<TfrmValidacao> frm;
    Ui::frmValidacao *f = nullptr;
};

} // namespace

TEST(FrmValidacao, CleanFileIsValidatedImportedAndCompacted)
{
    Janela t;
    EXPECT_EQ(t.frm->windowTitle(), "Validação e Importação.");
    EXPECT_EQ(t.f->PageControl1->tabText(0), "Arquivo para validação");
    EXPECT_EQ(t.f->PageControl1->tabText(1), "Detalhes da validação");

    t.protocolo("7");
    EXPECT_TRUE(t.prompts.shown.empty());
    EXPECT_EQ(t.f->edtExercicio->text(), "2015");
    EXPECT_EQ(t.f->edtInscricao->text(), "00000000000001");
    EXPECT_EQ(t.f->lblNomeEmpresa->text(), "EMPRESA ALFA");
    EXPECT_EQ(t.f->lblTipoEntrega->text(), "Normal");
    EXPECT_TRUE(t.f->edtArquivo->hasFocus());

    const QString arquivo = t.p.arquivo("limpo.txt", t.limpas(3) << notaNE("0000000004").linha());
    t.arquivo(arquivo);
    EXPECT_EQ(t.f->edtArquivo->text(), arquivo); // the whole path, beyond the six characters one may type
    ASSERT_EQ(t.prompts.fileDialogs.size(), 1u);
    EXPECT_EQ(t.prompts.fileDialogs[0].caption, "Arquivo de Importação");
    EXPECT_TRUE(t.prompts.fileDialogs[0].filter.contains("*.TXT"));

    t.valida();
    ASSERT_EQ(t.prompts.shown.size(), 3u);
    EXPECT_EQ(t.prompts.shown[0].kind, "question");
    EXPECT_EQ(t.prompts.shown[0].caption, "ATENÇÃO");
    EXPECT_EQ(t.prompts.shown[0].text, "Iniciar o processo de importação de dados agora ?");
    EXPECT_EQ(t.prompts.shown[0].icon, orva::Prompts::Icon::Warning);
    EXPECT_EQ(t.prompts.shown[1].text, "Compactação do arquivo de Banco de Dados concluida!");
    EXPECT_EQ(t.prompts.shown[2].kind, "information");
    EXPECT_EQ(t.prompts.shown[2].text, "Dados importados sem erros");
    EXPECT_EQ(t.f->edtProcessados->text(), "4");
    EXPECT_EQ(t.f->edtErros->text(), "0");
    EXPECT_EQ(t.f->ProgressBar->value(), 4);
    EXPECT_EQ(t.f->ProgressBar->maximum(), 4);
    EXPECT_TRUE(t.frm->Relatorio().isEmpty());
    EXPECT_EQ(conta("Select Count(*) From Notas Where Protocolo = 7 And Operacao = 'I'"), 4);

    // Answering No imports nothing more.
    t.prompts.clear();
    t.prompts.answers.push_back(false);
    t.valida();
    EXPECT_EQ(t.prompts.texts(), QStringList{"Iniciar o processo de importação de dados agora ?"});
    EXPECT_EQ(notas(), 4);
}

TEST(FrmValidacao, FaultyFileShowsTheReportAndImportsNothing)
{
    Janela t;
    t.protocolo("7");
    t.arquivo(dados("notas_com_erros.txt"));
    t.valida();
    EXPECT_EQ(t.prompts.texts(), QStringList{"Foram encontrados erros na validação do Arquivo de importação"});
    EXPECT_EQ(t.prompts.last().kind, "warning");
    EXPECT_EQ(t.f->PageControl1->currentWidget(), t.f->tabDetalhes);
    EXPECT_EQ(t.frm->Relatorio(), linhasDe(dados("relatorio_notas_com_erros.txt")));
    EXPECT_EQ(t.f->edtProcessados->text(), "30");
    EXPECT_EQ(t.f->edtErros->text(), "28");
    EXPECT_EQ(notas(), 0);
    // The report opens at its top.
    EXPECT_GT(t.f->edtLogErro->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(t.f->edtLogErro->verticalScrollBar()->value(), 0);

    // A file that cannot be read ends the pass with the support line.
    t.prompts.clear();
    t.arquivo(t.p.program.path("sumiu.txt"));
    t.valida();
    ASSERT_EQ(t.prompts.shown.size(), 1u);
    EXPECT_EQ(t.prompts.last().kind, "error");
    EXPECT_TRUE(t.prompts.last().text.endsWith("Suporte técnico: \nCentral Tarvo - Fone: 55 5010-2020"))
        << t.prompts.last().text.toStdString();
    EXPECT_TRUE(t.f->btnValidar->isEnabled());
}

TEST(FrmValidacao, AnEmptyFileIsRefusedWithItsSentenceAtTheTopOfTheReport)
{
    Janela t;
    t.protocolo("7");
    t.arquivo(t.p.arquivo("vazio.txt", {}));
    t.valida();
    ASSERT_EQ(t.prompts.shown.size(), 1u);
    EXPECT_EQ(t.prompts.last().kind, "error");
    EXPECT_TRUE(t.prompts.last().text.startsWith("O arquivo está vazio")) << t.prompts.last().text.toStdString();
    EXPECT_EQ(t.f->PageControl1->currentWidget(), t.f->tabDetalhes);
    ASSERT_FALSE(t.frm->Relatorio().isEmpty());
    EXPECT_TRUE(t.frm->Relatorio().first().startsWith("O arquivo está vazio"));
    EXPECT_EQ(notas(), 0);

    EXPECT_FALSE(t.prompts.texts().contains("Compactação do arquivo de Banco de Dados concluida!"));
}

TEST(FrmValidacao, RequiredFieldsAndProtocolsThatTakeNoImport)
{
    Janela t;
    t.valida();
    EXPECT_EQ(t.prompts.last().text, "Falta os Dados do Campo Arquivo de importação");
    EXPECT_EQ(t.prompts.last().kind, "error");

    // The file field takes six typed characters; a cancelled dialog keeps the file chosen before.
    t.f->edtArquivo->setFocus();
    QTest::keyClicks(t.f->edtArquivo, "abcdefgh");
    EXPECT_EQ(t.f->edtArquivo->text(), "abcdef");
    const QString arquivo = t.p.arquivo("limpo.txt", t.limpas(2));
    t.arquivo(arquivo);
    QTest::mouseClick(t.f->btnConsMunicipio, Qt::LeftButton);
    EXPECT_EQ(t.f->edtArquivo->text(), arquivo);
    EXPECT_EQ(t.prompts.fileDialogs.back().folderOrName, t.p.program.dir.path());

    t.valida();
    EXPECT_EQ(t.prompts.last().text, "Falta os Dados do Campo Número do Protocolo de Transmissão");

    const QString aviso = "Este número de protocolo não existe, \nja foi entregue, ou o é um protocolo de Rateio !";
    for (const char *numero : {"8", "9", "99"}) {
        t.prompts.clear();
        t.protocolo(numero);
        EXPECT_EQ(t.prompts.texts(), QStringList{aviso}) << numero;
        EXPECT_EQ(t.prompts.last().kind, "warning");
        EXPECT_TRUE(t.f->edtExercicio->text().isEmpty());
    }

    // A declarant registered for apportionment is cleared, so the check names it.
    t.protocolo("10");
    EXPECT_EQ(t.f->lblNomeEmpresa->text(), "Não Cadastrado");
    EXPECT_TRUE(t.f->edtInscricao->text().isEmpty());
    t.valida();
    EXPECT_EQ(t.prompts.last().text, "Falta os Dados do Campo Inscrição Estadual do Declarante das Entradas");

    // A refused number leaves the fields of the protocol accepted before, but
    // no pass runs with them under that number.
    t.protocolo("7");
    t.prompts.clear();
    t.protocolo("99");
    EXPECT_EQ(t.f->edtInscricao->text(), "00000000000001");
    t.valida();
    EXPECT_EQ(t.prompts.texts(), (QStringList{aviso, aviso}));
    EXPECT_EQ(t.f->edtProcessados->text(), "");

    // The lookup button lists the invoice protocols and loads the one picked.
    t.f->edtProtocolo->clear();
    t.prompts.clear();
    t.prompts.dialogHandlers.push_back([](QDialog &) {
        frmConsulta->DBGrid1()->setCurrentIndex(frmConsulta->modelo()->index(0, 0));
        frmConsulta->DBGrid1DblClick();
        return 1;
    });
    QTest::mouseClick(t.f->btnConsProtocolo, Qt::LeftButton);
    EXPECT_EQ(t.prompts.modalWindows, QStringList{"frmConsulta"});
    EXPECT_EQ(t.f->edtProtocolo->text(), "7");
    EXPECT_EQ(t.f->edtInscricao->text(), "00000000000001");
    t.valida();
    EXPECT_EQ(t.prompts.last().text, "Dados importados sem erros");
}

TEST(FrmValidacao, CancelAndEscStopAPassWhileTheOtherCommandsWait)
{
    Janela t;
    t.protocolo("7");
    t.arquivo(t.p.arquivo("grande.txt", t.limpas(3000)));

    // Esc during validation: the counters were painted, the other commands
    // were blocked, closing only cancels; no question, nothing written.
    bool bloqueada = false;
    QString processados;
    QTimer::singleShot(0, t.frm.get(), [&] {
        processados = t.f->edtProcessados->text();
        bloqueada = !t.f->btnValidar->isEnabled() && !t.f->btnFechar->isEnabled() && !t.f->btnConsProtocolo->isEnabled()
                    && !t.f->btnConsMunicipio->isEnabled() && t.f->btnCancelar->isEnabled() && t.frm->Processando();
        t.frm->btnValidarClick(); // ignored while the pass runs
        QTest::keyClick(t.f->edtArquivo, Qt::Key_Escape);
    });
    t.valida();
    EXPECT_EQ(processados, "1");
    EXPECT_TRUE(bloqueada);
    EXPECT_EQ(t.prompts.texts(), QStringList{"Validação Cancelada !"});
    EXPECT_LT(t.f->edtProcessados->text().toInt(), 3000);
    EXPECT_TRUE(t.frm->isVisible());
    EXPECT_FALSE(t.frm->Processando());
    EXPECT_EQ(notas(), 0);

    // Closing the window during a pass cancels it and leaves the window open.
    t.prompts.clear();
    QTimer::singleShot(0, t.frm.get(), [&] { t.frm->close(); });
    t.valida();
    EXPECT_EQ(t.prompts.texts(), QStringList{"Validação Cancelada !"});
    EXPECT_TRUE(t.frm->isVisible());

    // Cancel during the import keeps the records already written.
    t.prompts.clear();
    t.prompts.aoPerguntar = [&] {
        QTimer::singleShot(0, t.frm.get(), [&] { QTest::mouseClick(t.f->btnCancelar, Qt::LeftButton); });
    };
    t.valida();
    EXPECT_EQ(t.prompts.texts(), (QStringList{"Iniciar o processo de importação de dados agora ?", "Importação Cancelada !"}));
    const int gravadas = notas();
    EXPECT_GE(gravadas, 1);
    EXPECT_LT(gravadas, 3000);
    EXPECT_EQ(conta("Select Count(*) From Notas Where NF = '0000000001'"), 1);
    EXPECT_TRUE(t.f->btnValidar->isEnabled());
}

TEST(FrmValidacao, HiddenMainWindowCommandOpensTheWindow)
{
    TempProgram program;
    ScriptedPrompts prompts;
    TfrmPrincipal principal;
    principal.Importao1Click();
    EXPECT_EQ(prompts.modalWindows, QStringList{"frmValidacao"});
}

TEST(FrmValidacao, ADoubleClickOnAnErrorOpensItsLineWithTheFaultyFieldsMarked)
{
    Janela t;
    t.protocolo("7");
    t.arquivo(t.p.arquivo("erros.txt", {notaNP("0000000001").linha(),
                                        notaNP("0000000002").com(7, "31").com(8, "02").com(10, "00000000000000A").linha()}));
    t.valida();
    const QStringList relatorio = t.frm->Relatorio();
    const int mensagem = int(relatorio.indexOf("31/02/2015 Data inválida"));
    ASSERT_GT(mensagem, 0) << relatorio.join('\n').toStdString();

    QString mostrado;
    t.prompts.dialogHandlers.push_back([&](QDialog &janela) {
        mostrado = janela.findChild<QPlainTextEdit *>("edtLinha")->toPlainText();
        return 1;
    });
    // Double-clicking the message line in the report.
    QPlainTextEdit *log = t.f->edtLogErro;
    QTextCursor cursor(log->document()->findBlockByNumber(mensagem));
    log->setTextCursor(cursor);
    const QPoint ponto = log->cursorRect(cursor).center();
    QTest::mouseDClick(log->viewport(), Qt::LeftButton, Qt::NoModifier, ponto);
    const QStringList linhas = mostrado.split('\n');
    ASSERT_GE(linhas.size(), 7) << mostrado.toStdString();
    EXPECT_EQ(linhas.at(0), "Linha 2 do arquivo:");
    EXPECT_EQ(linhas.at(2), notaNP("0000000002").com(7, "31").com(8, "02").com(10, "00000000000000A").linha());
    EXPECT_EQ(linhas.at(3), QString(37, ' ') + QString(23, '^')); // the date (38 to 45) and the value (46 to 60)
    EXPECT_EQ(linhas.at(5), "Data de Emissão (posições 38 a 45): 31/02/2015 Data inválida");
    EXPECT_TRUE(linhas.at(6).startsWith("Valor da Nota Fiscal (posições 46 a 60): 00000000000000A"))
        << linhas.at(6).toStdString();
    // A line outside any block opens nothing.
    t.prompts.clear();
    t.frm->AbreLinhaDoRelatorio(int(relatorio.size()) + 5);
    EXPECT_TRUE(t.prompts.shown.empty());
}

TEST(FrmValidacao, OpensOnTheProtocolSoTheFirstDigitsTypedLandThere)
{
    Janela t;
    ASSERT_TRUE(QTest::qWaitForWindowActive(t.frm.get()));
    janela::assenta();
    ASSERT_EQ(QApplication::focusWidget(), t.f->edtProtocolo);
    QTest::keyClicks(QApplication::focusWidget(), "12");
    EXPECT_EQ(t.f->edtProtocolo->text(), "12");
}

// The import pass's blocks name no line: a double-click on one opens its
// line all the same.
TEST(FrmValidacao, ADoubleClickOnABlockOfTheImportOpensItsLine)
{
    Janela t;
    t.protocolo("7");
    const QString arquivo = t.p.arquivo("duas.txt", t.limpas(2));
    t.arquivo(arquivo);
    t.valida();
    ASSERT_EQ(notas(), 2);
    t.prompts.clear();
    t.valida(); // the same notes again: both already stored
    const QStringList relatorio = t.frm->Relatorio();
    QList<int> mensagens;
    for (int i = 0; i < relatorio.size(); ++i)
        if (relatorio.at(i).contains("já está no banco"))
            mensagens << i;
    ASSERT_EQ(mensagens.size(), 2) << relatorio.join('\n').toStdString();

    QString mostrado;
    t.prompts.dialogHandlers.push_back([&](QDialog &janela) {
        mostrado = janela.findChild<QPlainTextEdit *>("edtLinha")->toPlainText();
        return 1;
    });
    QPlainTextEdit *log = t.f->edtLogErro;
    QTextCursor cursor(log->document()->findBlockByNumber(mensagens.at(1)));
    log->setTextCursor(cursor);
    QTest::mouseDClick(log->viewport(), Qt::LeftButton, Qt::NoModifier, log->cursorRect(cursor).center());
    EXPECT_TRUE(mostrado.startsWith("Linha 2 do arquivo:\n")) << mostrado.toStdString();
    EXPECT_TRUE(mostrado.contains("já está no banco")) << mostrado.toStdString();
}
