// The delivery client's windows driven as the user drives them: start-up,
// the declarations list, sending to the real orva-datp-server, the receipts
// and their printing, the notice dialogs and the download dialog.
#include "apoio.h"
#include "server/servidor_teste.h"
#include "support/pdf_text.h"
#include "support/scripted_prompts.h"
#include "support/temp_program.h"

#include "client/declaracoes.h"
#include "client/janelas/frm_atencao.h"
#include "client/janelas/frm_main.h"
#include "client/janelas/frm_selecione.h"
#include "client/janelas/frmdownload.h"
#include "common/relogio.h"
#include "common/ini.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProgressBar>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <atomic>

#include <gtest/gtest.h>

namespace {

const QString kRegistroRecibo = "0000000000000120150007"; // registration, exercise, protocol

// A program folder whose client keeps its receipts in "recv", with the
// archiver beside the entry program, and a fixed clock for the receipts.
struct Instalacao {
    QTemporaryDir dir;
    QString programa = dir.path();
    QString cliente = programa + "/ClienteOrvaDATP";
    QString enviar = programa + "/enviar/";
    ScriptedPrompts prompts;

    Instalacao()
    {
        QDir().mkpath(cliente + "/recv");
        QDir().mkpath(enviar);
        EXPECT_TRUE(QFile::copy(ORVA_DIST_DIR "/rar" ORVA_EXE, programa + "/rar" ORVA_EXE));
        orva::defineRelogio([] { return QDateTime(QDate(2015, 3, 10), QTime(14, 5, 6)); });
    }
    ~Instalacao() { orva::defineRelogio({}); }

    QString recv(const QString &nome) const { return cliente + "/recv/" + nome; }
};

void mostra(QWidget &janela)
{
    janela.show();
    QApplication::setActiveWindow(&janela);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&janela));
}

// A click on a line of a list, as the mouse gives it.
void clica(QListWidget *lista, int linha)
{
    ASSERT_LT(linha, lista->count());
    const QRect area = lista->visualItemRect(lista->item(linha));
    QTest::mouseClick(lista->viewport(), Qt::LeftButton, {}, area.center());
}

QStringList linhas(QListWidget *lista)
{
    QStringList out;
    for (int i = 0; i < lista->count(); ++i)
        out << lista->item(i)->text();
    return out;
}

// A notice dialog as it was shown: caption, headline, buttons, memo lines.
struct Aviso {
    QString titulo, label1, botaoOk;
    bool imprimeHabilitado = false;
    QStringList linhas;
};

// Records the notice dialog it is given and presses one of its buttons.
std::function<int(QDialog &)> registra(std::vector<Aviso> &vistos, bool imprime = false)
{
    return [&vistos, imprime](QDialog &d) {
        auto &frm = dynamic_cast<Tfrm_atencao &>(d);
        vistos.push_back({frm.windowTitle(), frm.Label1()->text(), frm.bt_ok()->text(), frm.bt_print()->isEnabled(),
                          frm.linhas()});
        QTest::mouseClick(imprime ? frm.bt_print() : frm.bt_ok(), Qt::LeftButton);
        EXPECT_TRUE(frm.m1()->toPlainText().isEmpty());
        EXPECT_TRUE(frm.Label1()->text().isEmpty());
        return frm.result();
    };
}

// The print preview written to a PDF file instead.
void imprimeEm(ScriptedPrompts &prompts, const QString &pdf)
{
    prompts.previewHandler = [pdf](const std::function<void(QPrinter *)> &paint) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        paint(&printer);
    };
}

// Declaration 7 of registration 1, its invoice record `corpo` bytes long,
// packed by the archiver into "enviar" (its file left beside the archive).
bool compacta(Instalacao &inst, int corpo)
{
    const QString exp = inst.dir.filePath("Orva000700000000000001.exp");
    apoio::grava(exp, "10" + QByteArray(115, '0') + "\r\n" + apoio::registro20("0007", "00", "01", "00000000000001")
                          + "\r\n30" + QByteArray(corpo, '7') + "\r\n");
    QProcess rar;
    rar.start(inst.programa + "/rar" ORVA_EXE, {"a", "-va", inst.enviar + "Orva000700000000000001", exp});
    return rar.waitForFinished(30000);
}

// A declaration exported by the entry program (orva-cli) into "enviar":
// protocol 7 of registration 00000000000001, invoices.
QString exporta(TempProgram &programa)
{
    const auto exec = [](const QString &sql) {
        orva::db::Command cmd(dtmDados->ADOConnection);
        cmd.setCommandText(sql);
        cmd.execute();
    };
    exec("Insert into Empresa Values ('00000000000001', 'CAÇA E PESCA LTDA', '12345678000195', '4711302', '0', '110001')");
    exec("Insert into Protocolo (Protocolo, Tipo_Protocolo, Tipo_Entrega, Exercicio, Inscricao, DtGeracao, Crc, "
         "Responsavel, Razao, Cnpj, Municipio) Values (7, 0, '1', '2015', '00000000000001', '2015-03-05', '0', 'JOSÉ', "
         "'CAÇA E PESCA LTDA', '12345678000195', '110001')");
    exec("Insert into Notas Values ('00000000000001', '2015', '110002', '0000000123', '2015-02-10', 'NP', 10.0, 1, "
         "'0000000000', '1900-01-01', 0, '00000000000000', '', 0, '', 7, 'I')");
    EXPECT_TRUE(QFile::copy(ORVA_DIST_DIR "/rar" ORVA_EXE, programa.path("rar" ORVA_EXE)));
    QProcess cli;
    cli.start(ORVA_DIST_DIR "/orva-cli" ORVA_EXE, {"--dir", programa.dir.path(), "export", "--protocolo", "7"});
    EXPECT_TRUE(cli.waitForFinished(60000));
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    return programa.path("enviar/Orva000700000000000001.rar");
}

} // namespace

TEST(JanelasCliente, StartUpWritesTheSettingsListsTheOriginAndTheNewReceipts)
{
    Instalacao inst;
    // A receipt stored earlier, and what the origin folder holds.
    apoio::grava(inst.recv(kRegistroRecibo + ".cmp"), "[CMP]\r\nInscricao=00000000000001\r\n");
    apoio::grava(inst.recv(kRegistroRecibo + ".old"), "[CMP]\r\n");
    for (const char *nome : {"Orva000900000000000002.rar", "Orva000300000000000001.rar", "Orva000100000000000001.ra_",
                             "leiame.txt"})
        apoio::grava(inst.enviar + nome, "x");

    {
        auto frm = Tfrm_main::Inicia(inst.cliente, QString(), QString());
        EXPECT_EQ(orva::applicationTitle(), "Módulo de Entrega de Declaração/ORVA");
        EXPECT_EQ(frm->windowTitle(), "Módulo de Entrega de Declaração/ORVA - Versão 1.5");
        orva::IniFile ini;
        ASSERT_TRUE(ini.load(inst.cliente + "/ClienteORVA.INI"));
        EXPECT_EQ(ini.value("REMOTE", "ADDR"), "127.0.0.1");
        EXPECT_EQ(frm->cliente().endereco().host, "127.0.0.1");
        EXPECT_EQ(frm->cliente().endereco().porta, 4040);
        // Without an argument: the root, nothing listed, Send disabled.
        EXPECT_EQ(frm->ComboBox1()->currentText(), "/");
        EXPECT_EQ(frm->ComboBox1()->findText(inst.enviar), 2);
        EXPECT_EQ(frm->ListBox1()->count(), 0);
        EXPECT_FALSE(frm->BitBtn1()->isEnabled());
        EXPECT_TRUE(frm->RadioButton2()->isChecked());
        EXPECT_EQ(linhas(frm->ListBox2()), QStringList{kRegistroRecibo + ".cmp -- 07/2015"});
        frm->RadioButton1()->click();
        EXPECT_EQ(frm->ListBox2()->count(), 2);

        // The folder picker fills the origin and lists it.
        Tfrm_selecione *picker = frm->frm_selecione();
        picker->Mostra(inst.programa);
        picker->SelecionaPasta(inst.enviar);
        picker->BitBtn1()->click();
        EXPECT_FALSE(picker->isVisible());
        EXPECT_EQ(frm->ComboBox1()->currentText(), QDir::cleanPath(inst.enviar) + "/");
        EXPECT_EQ(linhas(frm->ListBox1()), (QStringList{"Orva000300000000000001", "Orva000900000000000002"}));
    }

    // Started by the export with its folder: listed at once. A settings file
    // that lacks the address is read, not rewritten.
    apoio::grava(inst.cliente + "/ClienteORVA.INI", "[REMOTE]\r\n");
    auto frm = Tfrm_main::Inicia(inst.cliente, QString(), inst.enviar);
    EXPECT_EQ(frm->cliente().endereco().host, "172.0.0.1");
    EXPECT_EQ(frm->ComboBox1()->currentText(), inst.enviar);
    EXPECT_EQ(linhas(frm->ListBox1()), (QStringList{"Orva000300000000000001", "Orva000900000000000002"}));
    EXPECT_EQ(apoio::le(inst.cliente + "/ClienteORVA.INI"), "[REMOTE]\r\n");

    // A receipt record typed into the folder box is stored; the box goes back to the root.
    const QString registro = "S" + QString(21, '1') + "001" + QString(130, ' ');
    frm->ComboBox1()->setEditText(registro);
    frm->BitBtn5()->click();
    EXPECT_EQ(frm->ComboBox1()->currentText(), "/");
    EXPECT_TRUE(QFileInfo::exists(inst.recv("S" + QString(21, '1') + ".cmp")));
    EXPECT_EQ(frm->ListBox2()->count(), 2);
    // An origin without its separator gets one on Open.
    frm->ComboBox1()->setEditText(QDir::cleanPath(inst.enviar));
    frm->BitBtn5()->click();
    EXPECT_EQ(frm->ComboBox1()->currentText(), inst.enviar);
    EXPECT_EQ(frm->ListBox1()->count(), 2);

    // Moving through the list with the keys selects as a click does.
    mostra(*frm);
    frm->ListBox1()->setFocus();
    frm->ListBox1()->setCurrentRow(0);
    EXPECT_FALSE(frm->BitBtn1()->isEnabled());
    QTest::keyClick(frm->ListBox1(), Qt::Key_Down);
    QApplication::processEvents();
    EXPECT_TRUE(frm->BitBtn1()->isEnabled());
    EXPECT_EQ(frm->cliente().arquivoSelecionado(), inst.enviar + "Orva000900000000000002.rar");
    EXPECT_TRUE(inst.prompts.shown.empty());
}

// The menu entry and file managers hand the client an archive: its folder is
// listed with that archive selected, ready to send; another file selects nothing.
TEST(JanelasCliente, StartedOnAnArchiveListsItsFolderWithItSelected)
{
    Instalacao inst;
    for (const char *nome : {"Orva000300000000000001.rar", "Orva000900000000000002.rar", "leiame.txt"})
        apoio::grava(inst.enviar + nome, "x");

    auto partida = orva::cliente::partidaDoArgumento(inst.enviar + "Orva000900000000000002.rar", QString());
    auto frm = Tfrm_main::Inicia(inst.cliente, QString(), partida.origem, partida.declaracao);
    EXPECT_EQ(frm->ComboBox1()->currentText(), inst.enviar);
    EXPECT_EQ(frm->ListBox1()->count(), 2);
    EXPECT_EQ(frm->ListBox1()->currentRow(), 1);
    EXPECT_TRUE(frm->BitBtn1()->isEnabled());
    EXPECT_EQ(QFileInfo(frm->cliente().arquivoSelecionado()).fileName(), "Orva000900000000000002.rar");

    partida = orva::cliente::partidaDoArgumento(inst.enviar + "leiame.txt", QString());
    frm = Tfrm_main::Inicia(inst.cliente, QString(), partida.origem, partida.declaracao);
    EXPECT_EQ(frm->ListBox1()->count(), 2);
    EXPECT_FALSE(frm->BitBtn1()->isEnabled());
    EXPECT_TRUE(frm->cliente().arquivoSelecionado().isEmpty());
    EXPECT_TRUE(inst.prompts.shown.empty());
}

TEST(JanelasCliente, ClickSendPrintDeleteAndFetchAgainstTheServer)
{
    TempProgram programa;
    const QString arquivo = exporta(programa);
    ASSERT_TRUE(QFileInfo::exists(arquivo));
    const QString cliente = programa.path("ClienteOrvaDATP");
    const QString recv = cliente + "/recv/";
    ScriptedPrompts prompts;
    orva::defineRelogio([] { return QDateTime(QDate(2015, 3, 10), QTime(14, 5, 6)); });
    QTemporaryDir dadosServidor;
    ServidorDatp servidor(dadosServidor.path());

    auto frm = Tfrm_main::Inicia(cliente, QString(), programa.path("enviar/"));
    frm->cliente().endereco().porta = servidor.porta;
    mostra(*frm);
    ASSERT_EQ(linhas(frm->ListBox1()), QStringList{"Orva000700000000000001"});

    // The click unpacks the declaration beside its archive and enables Send.
    clica(frm->ListBox1(), 0);
    EXPECT_TRUE(frm->BitBtn1()->isEnabled());
    EXPECT_TRUE(QFileInfo::exists(programa.path("enviar/Orva000700000000000001.exp")));

    std::vector<Aviso> avisos;
    prompts.dialogHandlers.push_back(registra(avisos));
    prompts.dialogHandlers.push_back(registra(avisos));
    QTest::mouseClick(frm->BitBtn1(), Qt::LeftButton);
    ASSERT_EQ(avisos.size(), 2u) << prompts.texts().join("\n").toStdString();
    // "200": the user reads the notice and goes on.
    EXPECT_EQ(avisos[0].titulo, "Leia atentamente");
    EXPECT_EQ(avisos[0].label1, "Bem vindo!, Leia atentamente as informações abaixo");
    EXPECT_EQ(avisos[0].botaoOk, "&Continuar >>");
    EXPECT_FALSE(avisos[0].imprimeHabilitado);
    ASSERT_EQ(avisos[0].linhas.size(), 9);
    EXPECT_TRUE(avisos[0].linhas[6].contains("Orva000700000000000001.rar")) << avisos[0].linhas[6].toStdString();
    // "201": the receipt is kept.
    EXPECT_EQ(avisos[1].linhas.value(8),
              "O comprovante encontra-se disponível para impressão na lista de comprovantes recebidos.");
    EXPECT_TRUE(prompts.shown.empty()) << prompts.texts().join("\n").toStdString();

    EXPECT_EQ(linhas(frm->ListBox2()), QStringList{kRegistroRecibo + ".cmp -- 07/2015"});
    EXPECT_TRUE(QFileInfo::exists(programa.path("enviar/Orva000700000000000001.ra_")));
    EXPECT_FALSE(QFileInfo::exists(arquivo));
    EXPECT_FALSE(QFileInfo::exists(programa.path("enviar/Orva000700000000000001.exp")));
    EXPECT_EQ(frm->ListBox1()->count(), 0);
    EXPECT_EQ(frm->ComboBox1()->currentText(), programa.path("enviar/"));

    // Print: the receipt report in the preview, then it is one of the old ones.
    const QString pdf = programa.path("recibo.pdf");
    imprimeEm(prompts, pdf);
    clica(frm->ListBox2(), 0);
    QTest::mouseClick(frm->BitBtn3(), Qt::LeftButton);
    ASSERT_EQ(prompts.previews.size(), 1);
    const QString texto = simplified(pdfText(pdf));
    for (const char *parte : {"RECIBO DE ENTREGA DA DECLARAÇÃO/ORVA", "00000000000001", "CAÇA E PESCA LTDA", "0007",
                              "Nota Fiscal", "NÃO", "10/03/2015 14:05:06"})
        EXPECT_TRUE(texto.contains(QString::fromUtf8(parte))) << parte << "\n" << texto.toStdString();
    EXPECT_TRUE(QFileInfo::exists(recv + kRegistroRecibo + ".old"));
    EXPECT_EQ(frm->ListBox2()->count(), 0);
    frm->RadioButton3()->click();
    EXPECT_EQ(linhas(frm->ListBox2()), QStringList{kRegistroRecibo + ".old -- 07/2015"});

    // Delete asks first; No keeps the file, Yes deletes it.
    clica(frm->ListBox2(), 0);
    prompts.answers = {false, true};
    frm->BitBtn7()->click();
    EXPECT_TRUE(QFileInfo::exists(recv + kRegistroRecibo + ".old"));
    frm->BitBtn7()->click();
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[1].kind, "question");
    EXPECT_EQ(prompts.shown[1].text, "Deseja excluir o comprovante selecionado?");
    EXPECT_FALSE(QFileInfo::exists(recv + kRegistroRecibo + ".old"));
    EXPECT_EQ(frm->ListBox2()->count(), 0);
    // The same selection printed again: nothing to print.
    frm->BitBtn3()->click();
    EXPECT_EQ(prompts.last().text, "Selecione um comprovante para a impressão.");
    EXPECT_EQ(prompts.previews.size(), 1);

    // Fetch the receipt again from the server.
    prompts.clear();
    avisos.clear();
    prompts.dialogHandlers.push_back([](QDialog &d) {
        auto &dl = dynamic_cast<TFrmDownload &>(d);
        mostra(dl);
        dl.LabeledEdit1()->setFocus();
        QTest::keyClicks(dl.LabeledEdit1(), "1");
        QTest::keyClick(dl.LabeledEdit1(), Qt::Key_Tab);
        QTest::keyClicks(dl.LabeledEdit2(), "7");
        QTest::mouseClick(dl.BitBtn1(), Qt::LeftButton);
        return dl.result();
    });
    prompts.dialogHandlers.push_back(registra(avisos));
    frm->RadioButton1()->click();
    frm->BitBtn4()->click();
    EXPECT_EQ(frm->FrmDownload()->inscricao(), "00000000000001");
    EXPECT_EQ(frm->FrmDownload()->exercicioProtocolo(), "20150007");
    ASSERT_EQ(avisos.size(), 1u) << prompts.texts().join("\n").toStdString();
    EXPECT_EQ(linhas(frm->ListBox2()), QStringList{kRegistroRecibo + ".cmp -- 07/2015"});
    orva::IniFile ini;
    ASSERT_TRUE(ini.load(recv + kRegistroRecibo + ".cmp"));
    EXPECT_EQ(ini.value("CMP", "Razao"), "CAÇA E PESCA LTDA");

    // A protocol the server does not know: the failure names its code.
    avisos.clear();
    prompts.dialogHandlers.push_back([](QDialog &d) {
        auto &dl = dynamic_cast<TFrmDownload &>(d);
        dl.LabeledEdit2()->setText("0099");
        dl.BitBtn1()->click();
        return dl.result();
    });
    prompts.dialogHandlers.push_back(registra(avisos));
    frm->BitBtn4()->click();
    ASSERT_EQ(avisos.size(), 1u);
    EXPECT_EQ(avisos[0].titulo, "Erro ao entregar declaração");
    EXPECT_TRUE(avisos[0].linhas.last().endsWith("404")) << avisos[0].linhas.join("|").toStdString();
    orva::defineRelogio({});
}

TEST(JanelasCliente, RefusalNoConnectionAndRemove)
{
    Instalacao inst;
    // A declaration whose records the server refuses, packed by the archiver.
    const QString exp = inst.dir.filePath("Orva001200000000000060.exp");
    apoio::grava(exp, "10" + QByteArray(115, '0') + "\r\n" + apoio::registro20("0012", "01", "02", "00000000000060")
                          + "\r\n40...\r\n40,,,\r\n");
    QProcess rar;
    rar.start(inst.programa + "/rar" ORVA_EXE, {"a", "-va", inst.enviar + "Orva001200000000000060", exp});
    ASSERT_TRUE(rar.waitForFinished(30000));
    ASSERT_EQ(rar.exitCode(), 0);

    auto frm = Tfrm_main::Inicia(inst.cliente, QString(), inst.enviar);
    mostra(*frm);
    clica(frm->ListBox1(), 0);

    // No server: the failure dialog, and nothing changes.
    {
        apoio::ServidorFalso fechado(nullptr);
        frm->cliente().endereco().porta = fechado.porta;
    }
    std::vector<Aviso> avisos;
    inst.prompts.dialogHandlers.push_back(registra(avisos));
    frm->BitBtn1()->click();
    ASSERT_EQ(avisos.size(), 1u);
    EXPECT_EQ(avisos[0].linhas.value(3), "Não foi possível conectar ao servidor.");
    EXPECT_EQ(avisos[0].linhas.value(6), "Verifique sua conexão de rede e tente novamente.");
    EXPECT_TRUE(QFileInfo::exists(inst.enviar + "Orva001200000000000060.exp"));

    // The server refuses after the bytes: message 2 with "-" and the code,
    // one memo line per problem; the error report names the declaration.
    QTemporaryDir dadosServidor;
    ServidorDatp servidor(dadosServidor.path());
    frm->cliente().endereco().porta = servidor.porta;
    avisos.clear();
    const QString pdf = inst.dir.filePath("erro.pdf");
    imprimeEm(inst.prompts, pdf);
    inst.prompts.dialogHandlers.push_back(registra(avisos));
    inst.prompts.dialogHandlers.push_back(registra(avisos, true));
    frm->BitBtn1()->click();
    ASSERT_EQ(avisos.size(), 2u);
    const Aviso &falha = avisos[1];
    EXPECT_EQ(falha.titulo, "Erro ao entregar declaração");
    EXPECT_EQ(falha.label1, "Atenção. Sua declaração não pôde ser recebida.");
    EXPECT_EQ(falha.botaoOk, "&Sair");
    EXPECT_TRUE(falha.imprimeHabilitado);
    EXPECT_EQ(falha.linhas.value(3), "Declaração Orva001200000000000060.rar recusada.");
    EXPECT_EQ(falha.linhas.value(5), "Devido ao(s) seguinte(s) problema(s) sua declaração não pôde ser recebida:");
    ASSERT_GT(falha.linhas.size(), 7) << falha.linhas.join("|").toStdString();
    EXPECT_TRUE(falha.linhas[7].startsWith(" ")) << falha.linhas[7].toStdString();
    EXPECT_FALSE(falha.linhas.join("").contains("#13"));
    EXPECT_TRUE(falha.linhas.last().endsWith("-500")) << falha.linhas.last().toStdString();

    ASSERT_EQ(inst.prompts.previews.size(), 1);
    const QString relatorio = simplified(pdfText(pdf));
    for (const QString &parte : {QString("RELATÓRIO DE ERRO - ENTREGA DE DECLARAÇÃO/ORVA"), QString("Inscrição: 00000000000060"),
                                 QString("Exercicio de Referência: 2015"),
                                 QString("Recebido: Declaração Orva001200000000000060.rar recusada."),
                                 falha.linhas[6].trimmed()})
        EXPECT_TRUE(relatorio.contains(parte)) << parte.toStdString() << "\n" << relatorio.toStdString();

    // Still listed, its declaration file gone, no receipt.
    EXPECT_EQ(linhas(frm->ListBox1()), QStringList{"Orva001200000000000060"});
    EXPECT_FALSE(QFileInfo::exists(inst.enviar + "Orva001200000000000060.exp"));
    EXPECT_EQ(frm->ListBox2()->count(), 0);
    // A second Send without a new click cannot read the declaration file.
    frm->BitBtn1()->click();
    ASSERT_FALSE(inst.prompts.shown.empty());
    EXPECT_EQ(inst.prompts.last().kind, "error");

    // Remove: no question, the archive is renamed, not deleted.
    inst.prompts.clear();
    clica(frm->ListBox1(), 0);
    frm->BitBtn2()->click();
    EXPECT_TRUE(inst.prompts.shown.empty());
    EXPECT_EQ(frm->ListBox1()->count(), 0);
    EXPECT_TRUE(QFileInfo::exists(inst.enviar + "Orva001200000000000060.ra_"));
}

TEST(JanelasCliente, NoticeLinesAndTheDownloadDialogKeepingItsValues)
{
    Instalacao inst;
    auto frm = Tfrm_main::Inicia(inst.cliente, QString(), QString());
    std::vector<Aviso> avisos;
    inst.prompts.dialogHandlers.push_back(registra(avisos));
    inst.prompts.dialogHandlers.push_back(registra(avisos));
    frm->MostraAviso(QString(), QString());
    frm->MostraFalha("m1", "primeira#13segunda");
    ASSERT_EQ(avisos.size(), 2u);
    EXPECT_EQ(avisos[0].linhas, (QStringList{"Módulo de Entrega de Declaração/ORVA", "------------------------------------",
                                             " ", "ESTE PROCEDIMENTO PODE DEMORAR ALGUNS MINUTOS ! ",
                                             "CLIQUE NO BOTÃO CONTINUAR, E AGUARDE O FINAL DO PROCESSAMENTO! ", " ", "",
                                             " ", ""}));
    EXPECT_EQ(avisos[1].linhas.mid(6), (QStringList{"primeira", " segunda"}));

    TFrmDownload &dl = *frm->FrmDownload();
    mostra(dl);
    EXPECT_EQ(dl.ComboBox2()->currentText(), "2015");
    dl.LabeledEdit1()->setFocus();
    QTest::keyClicks(dl.LabeledEdit1(), "123");
    QTest::keyClick(dl.LabeledEdit1(), Qt::Key_Tab);
    EXPECT_EQ(dl.LabeledEdit1()->text(), "00000000000123");
    EXPECT_TRUE(dl.LabeledEdit2()->hasFocus());
    // Fourteen characters are left as they are.
    dl.LabeledEdit1()->setFocus();
    dl.LabeledEdit1()->setText("12345678901234");
    QTest::keyClick(dl.LabeledEdit1(), Qt::Key_Tab);
    EXPECT_EQ(dl.LabeledEdit1()->text(), "12345678901234");
    // Without a protocol the dialog stays open; what was typed is taken all the same.
    dl.ComboBox2()->setFocus();
    dl.LabeledEdit2()->clear();
    QTest::mouseClick(dl.BitBtn1(), Qt::LeftButton);
    EXPECT_EQ(inst.prompts.last().text, "Falta informações");
    EXPECT_EQ(dl.exercicioProtocolo(), "2015");
    EXPECT_TRUE(dl.isVisible());
    dl.LabeledEdit2()->setFocus();
    QTest::keyClicks(dl.LabeledEdit2(), "7");
    QTest::mouseClick(dl.BitBtn1(), Qt::LeftButton);
    EXPECT_EQ(dl.result(), QDialog::Accepted);
    EXPECT_EQ(dl.inscricao(), "12345678901234");
    EXPECT_EQ(dl.exercicioProtocolo(), "20150007");

    // Opened again from the main window: the same values; closing it fetches with them.
    QStringList vistos;
    inst.prompts.dialogHandlers.push_back([&vistos](QDialog &d) {
        auto &again = dynamic_cast<TFrmDownload &>(d);
        vistos = {again.LabeledEdit1()->text(), again.LabeledEdit2()->text(), again.ComboBox2()->currentText()};
        return int(QDialog::Rejected);
    });
    QByteArray pedido;
    apoio::ServidorFalso servidor([&pedido](apoio::Soquete fd) {
        pedido = apoio::leLinha(fd);
        apoio::envia(fd, "DATP/1.0 00 404 'Comprovante não encontrado.' 'x'\r\n");
    });
    frm->cliente().endereco().porta = servidor.porta;
    inst.prompts.dialogHandlers.push_back(registra(avisos));
    frm->BitBtn4()->click();
    EXPECT_EQ(vistos, (QStringList{"12345678901234", "0007", "2015"}));
    EXPECT_EQ(pedido, "DATP/1.0 COMP 12345678901234@20150007 ORVA 3 myfile.rar\r\n");
}

// A list of one declaration: each key that chooses a line reads it as the
// click does and enables Send.
TEST(JanelasCliente, KeysOnAListOfOneDeclarationActAsTheClick)
{
    Instalacao inst;
    apoio::grava(inst.enviar + "Orva000700000000000001.rar", "x");
    for (const Qt::Key tecla : {Qt::Key_Down, Qt::Key_Up, Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Home}) {
        auto frm = Tfrm_main::Inicia(inst.cliente, QString(), inst.enviar);
        mostra(*frm);
        frm->ListBox1()->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        ASSERT_EQ(frm->ListBox1()->count(), 1);
        EXPECT_FALSE(frm->BitBtn1()->isEnabled());
        QTest::keyClick(frm->ListBox1(), tecla);
        QApplication::processEvents();
        EXPECT_TRUE(frm->BitBtn1()->isEnabled()) << tecla;
        EXPECT_EQ(frm->cliente().arquivoSelecionado(), inst.enviar + "Orva000700000000000001.rar") << tecla;
        EXPECT_TRUE(frm->ListBox1()->item(0)->isSelected()) << tecla;
    }
}

namespace {

// Counts the paint events a widget receives.
struct ContaPinturas : QObject {
    int pinturas = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++pinturas;
        return false;
    }
};

} // namespace

// While the server holds back its reply the window paints, its timers run
// and the other commands are unavailable; Cancelar ends the delivery as a
// failure: nothing renamed, no receipt, the declaration file kept.
TEST(JanelasCliente, SlowReplyKeepsTheWindowLiveAndCancelarEndsTheDelivery)
{
    Instalacao inst;
    ASSERT_TRUE(compacta(inst, 3000));
    const qint64 tamanho = QFileInfo(inst.enviar + "Orva000700000000000001.rar").size();

    std::atomic<bool> recebeuTudo{false}, clienteFechou{false};
    apoio::ServidorFalso servidor([&](apoio::Soquete fd) {
        apoio::leLinha(fd);
        apoio::envia(fd, apoio::resposta("200", "Pronto", "Envie"));
        recebeuTudo = apoio::leBytes(fd, tamanho).size() == tamanho;
        // No reply: only the client's close ends the wait.
        clienteFechou = apoio::fechouSemDados(fd);
    });
    auto frm = Tfrm_main::Inicia(inst.cliente, QString(), inst.enviar);
    frm->cliente().endereco().porta = servidor.porta;
    frm->cliente().limites().resposta = std::chrono::seconds(20);
    mostra(*frm);
    clica(frm->ListBox1(), 0);
    ASSERT_TRUE(QFileInfo::exists(inst.enviar + "Orva000700000000000001.exp"));

    ContaPinturas contador;
    frm->lblAndamento()->installEventFilter(&contador);
    int batidasNaEspera = 0, pinturasAntes = 0;
    bool comandosLivres = false, cancelarLivre = false;
    QString texto;
    std::function<void()> acao = [&] { QTest::mouseClick(frm->btnCancelar(), Qt::LeftButton); };
    QTimer relogio;
    QObject::connect(&relogio, &QTimer::timeout, [&] {
        if (!frm->emTransmissao() || !frm->lblAndamento()->text().startsWith("Declaração enviada."))
            return;
        if (++batidasNaEspera == 1)
            pinturasAntes = contador.pinturas;
        comandosLivres = comandosLivres || frm->BitBtn5()->isEnabled() || frm->ListBox1()->isEnabled()
                         || frm->BitBtn4()->isEnabled() || frm->BitBtn1()->isEnabled();
        cancelarLivre = frm->btnCancelar()->isEnabled();
        texto = frm->lblAndamento()->text();
        if (batidasNaEspera == 5)
            acao();
    });
    relogio.start(10);
    std::vector<Aviso> avisos;
    inst.prompts.dialogHandlers.push_back(registra(avisos));
    QTest::mouseClick(frm->BitBtn1(), Qt::LeftButton);
    relogio.stop();

    EXPECT_EQ(batidasNaEspera, 5);
    EXPECT_GT(contador.pinturas, pinturasAntes);
    EXPECT_FALSE(comandosLivres);
    EXPECT_TRUE(cancelarLivre);
    EXPECT_TRUE(texto.contains("s restantes")) << texto.toStdString();
    servidor.espera(); // the server sees the close a moment after the client made it
    EXPECT_TRUE(recebeuTudo);
    EXPECT_TRUE(clienteFechou);
    ASSERT_EQ(avisos.size(), 1u);
    ASSERT_EQ(inst.prompts.shown.size(), 1u);
    EXPECT_TRUE(inst.prompts.last().text.startsWith("Entrega cancelada.")) << inst.prompts.last().text.toStdString();
    // Nothing renamed, no receipt, the declaration file kept; the window back at rest.
    EXPECT_TRUE(QFileInfo::exists(inst.enviar + "Orva000700000000000001.rar"));
    EXPECT_FALSE(QFileInfo::exists(inst.enviar + "Orva000700000000000001.ra_"));
    EXPECT_TRUE(QFileInfo::exists(inst.enviar + "Orva000700000000000001.exp"));
    EXPECT_TRUE(QDir(inst.cliente + "/recv").entryList(QDir::Files).isEmpty());
    EXPECT_EQ(linhas(frm->ListBox1()), QStringList{"Orva000700000000000001"});
    EXPECT_EQ(frm->lblAndamento()->text(), "Nenhuma transmissão em andamento.");
    EXPECT_TRUE(frm->BitBtn5()->isEnabled());
    EXPECT_FALSE(frm->btnCancelar()->isEnabled());

    // Closing the window during the wait cancels the delivery the same way;
    // the window closes once it has ended.
    clienteFechou = false;
    apoio::ServidorFalso segundo([&](apoio::Soquete fd) {
        apoio::leLinha(fd);
        apoio::envia(fd, apoio::resposta("200", "Pronto", "Envie"));
        apoio::leBytes(fd, tamanho);
        clienteFechou = apoio::fechouSemDados(fd);
    });
    frm->cliente().endereco().porta = segundo.porta;
    batidasNaEspera = 0;
    acao = [&] { frm->close(); };
    inst.prompts.clear();
    inst.prompts.dialogHandlers.push_back(registra(avisos));
    relogio.start(10);
    QTest::mouseClick(frm->BitBtn1(), Qt::LeftButton);
    relogio.stop();
    EXPECT_EQ(batidasNaEspera, 5);
    segundo.espera();
    EXPECT_TRUE(clienteFechou);
    EXPECT_FALSE(frm->isVisible());
    EXPECT_TRUE(inst.prompts.last().text.startsWith("Entrega cancelada.")) << inst.prompts.last().text.toStdString();
    EXPECT_TRUE(QFileInfo::exists(inst.enviar + "Orva000700000000000001.rar"));
}

// The notices open on their default button, so Enter and Space answer it;
// Esc on the notice of "200" means Cancelar and nothing of the archive goes
// out. The download dialog opens on its first field and Enter fetches.
TEST(JanelasCliente, NoticeKeysAndEscOnTheNoticeOf200NeverSends)
{
    Instalacao inst;
    auto frm = Tfrm_main::Inicia(inst.cliente, QString(), QString());
    mostra(*frm);
    // One handler a notice: checks the focus, then sends the key.
    const auto tecla = [&](Qt::Key k, QStringList *focos) {
        return [&inst, k, focos](QDialog &d) {
            auto &frm = dynamic_cast<Tfrm_atencao &>(d);
            QApplication::setActiveWindow(&frm);
            EXPECT_TRUE(QTest::qWaitForWindowActive(&frm));
            QWidget *foco = QApplication::focusWidget();
            focos->push_back(foco ? foco->objectName() : QString());
            if (foco)
                QTest::keyClick(foco, k);
            QCoreApplication::processEvents();
            return frm.isVisible() ? int(QDialog::Rejected) : frm.result();
        };
    };
    QStringList focos;
    inst.prompts.dialogHandlers.push_back(tecla(Qt::Key_Return, &focos));
    EXPECT_TRUE(frm->MostraAviso("m1", "m2", true));
    inst.prompts.dialogHandlers.push_back(tecla(Qt::Key_Space, &focos));
    frm->MostraFalha("m1", "m2");
    inst.prompts.dialogHandlers.push_back(tecla(Qt::Key_Escape, &focos));
    EXPECT_FALSE(frm->MostraAviso("m1", "m2", true));
    EXPECT_EQ(focos, (QStringList{"bt_ok", "bt_ok", "bt_ok"}));

    // A delivery whose "200" notice is closed with Esc: the server gets the
    // command line and then only the close; the declaration stays to send.
    ASSERT_TRUE(compacta(inst, 300));
    std::atomic<bool> fechouSemArquivo{false};
    apoio::ServidorFalso servidor([&](apoio::Soquete fd) {
        apoio::leLinha(fd);
        apoio::envia(fd, apoio::resposta("200", "Pronto", "Envie"));
        fechouSemArquivo = apoio::fechouSemDados(fd);
    });
    frm->cliente().endereco().porta = servidor.porta;
    frm->ComboBox1()->setEditText(inst.enviar);
    frm->ListaDeclaracoes(inst.enviar);
    clica(frm->ListBox1(), 0);
    inst.prompts.clear();
    QString andamentoNoAviso;
    inst.prompts.dialogHandlers.push_back([&, esc = tecla(Qt::Key_Escape, &focos)](QDialog &d) {
        andamentoNoAviso = frm->lblAndamento()->text();
        return esc(d);
    });
    QTest::mouseClick(frm->BitBtn1(), Qt::LeftButton);
    servidor.espera();
    EXPECT_EQ(andamentoNoAviso, "Aguardando a sua confirmação para enviar a declaração.");
    EXPECT_TRUE(fechouSemArquivo);
    ASSERT_EQ(inst.prompts.shown.size(), 1u);
    EXPECT_TRUE(inst.prompts.last().text.startsWith("Entrega cancelada.")) << inst.prompts.last().text.toStdString();
    EXPECT_TRUE(QFileInfo::exists(inst.enviar + "Orva000700000000000001.rar"));
    EXPECT_FALSE(QFileInfo::exists(inst.enviar + "Orva000700000000000001.ra_"));
    EXPECT_TRUE(QDir(inst.cliente + "/recv").entryList(QDir::Files).isEmpty());

    // The download dialog: the registration field has the focus; Enter there
    // fetches with what was typed, completed as leaving the field would.
    TFrmDownload &dl = *frm->FrmDownload();
    dl.LabeledEdit2()->setText("0007");
    mostra(dl);
    EXPECT_EQ(QApplication::focusWidget(), dl.LabeledEdit1());
    QTest::keyClicks(dl.LabeledEdit1(), "123");
    QTest::keyClick(dl.LabeledEdit1(), Qt::Key_Return);
    EXPECT_FALSE(dl.isVisible());
    EXPECT_EQ(dl.result(), QDialog::Accepted);
    EXPECT_EQ(dl.inscricao(), "00000000000123");
    EXPECT_EQ(dl.exercicioProtocolo(), "20150007");
}

// Started from another program's window, the main window stays above it.
TEST(JanelasCliente, TheMainWindowStaysAboveTheWindowThatStartedIt)
{
    Instalacao inst;
    QWidget dona;
    dona.show();
    if (!std::unique_ptr<QWindow>(QWindow::fromWinId(dona.winId())))
        GTEST_SKIP() << "this platform plugin has no foreign windows";
    auto frm = Tfrm_main::Inicia(inst.cliente, QString(), QString());
    frm->ficaSobre(quintptr(dona.winId()));
    ASSERT_NE(frm->windowHandle(), nullptr);
    ASSERT_NE(frm->windowHandle()->transientParent(), nullptr);
    EXPECT_EQ(frm->windowHandle()->transientParent()->winId(), dona.winId());
}

// Kept above its opener, the main window is a dialog of it: a message box
// closed must not end the program, closing the main window must.
TEST(JanelasCliente, AMessageClosedAboveTheOpenerDoesNotEndTheProgram)
{
    Instalacao inst;
    QWindow dona;
    dona.create();
    auto frm = Tfrm_main::Inicia(inst.cliente, QString(), QString());
    frm->ficaSobre(&dona);
    frm->show();
    bool vivaDepoisDaMensagem = false;
    QDialog mensagem; // a box without a parent, as the prompts show them
    QTimer::singleShot(50, &mensagem, [&] {
        mensagem.show();
        QTimer::singleShot(50, &mensagem, [&] { mensagem.close(); });
    });
    QTimer::singleShot(400, frm.get(), [&] {
        vivaDepoisDaMensagem = frm->isVisible();
        frm->close();
    });
    QTimer prazo;
    prazo.setSingleShot(true);
    QObject::connect(&prazo, &QTimer::timeout, qApp, [] { QCoreApplication::exit(2); });
    prazo.start(10000);
    const int fim = QCoreApplication::exec();
    QGuiApplication::setQuitOnLastWindowClosed(true);
    EXPECT_TRUE(vivaDepoisDaMensagem) << "the program ended when the message box closed";
    EXPECT_EQ(fim, 0) << "closing the main window did not end the program";
}
