#include "support/scripted_prompts.h"
#include "support/sql.h"
#include "support/temp_program.h"
#include "support/window_driver.h"

#include "ui/shared/frmconsulta.h"
#include "ui/registrations/frmempresa.h"
#include "ui/shell/conventions.h"
#include "ui/shell/querymodel.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString kInsert = QStringLiteral("Insert into Empresa (Inscricao,Razao,Cnpj,Cnae,Tipo_Declara,Municipio ) "
                                       "Values (:InscEst, :RazaoSocial, :Cnpj, :Cnae, :TipoDeclara, :Municipio)");
const QString kUpdate = QStringLiteral("Update Empresa Set  Razao = :RazaoSocial  ,CNPJ = :Cnpj ,CNAE = :Cnae "
                                       ",Tipo_Declara = :TipoDeclara ,Municipio = :Municipio Where Inscricao = :InscEst");

// The company window on a fresh database, shown and active, with the search
// window the program creates at start-up.
struct EmpresaWindow {
    TempProgram program;
    ScriptedPrompts prompts;
    TfrmConsulta consulta;
    TfrmEmpresa w;

    EmpresaWindow()
    {
        frmConsulta = &consulta;
        w.DefineTabela(QStringLiteral("Empresa"));
        janela::ativa(&w);
    }
    ~EmpresaWindow() { frmConsulta = nullptr; }

    // Types into the field and leaves it with Tab.
    void typeAndLeave(QLineEdit *field, const QString &text)
    {
        janela::digitaTexto(field, text);
        janela::sai();
    }

    // One value of the database, as text.
    QString value(const QString &statement) { return sql::valor(program.connection(), statement); }
    void insertCompany(const QString &inscricao, const QString &razao)
    {
        sql::executa(program.connection(),
                     QStringLiteral("Insert into Empresa Values ('%1', '%2', '12345678000195', '0111302', '0', "
                                    "'110002')")
                         .arg(inscricao, razao));
    }
};

// A search-window handler that lists (when asked) and double-clicks row 0.
std::function<int(QDialog &)> pickFirstRow(bool confirmFirst, int *rowsBefore = nullptr)
{
    return [=](QDialog &) {
        if (rowsBefore)
            *rowsBefore = frmConsulta->modelo()->rowCount();
        if (confirmFirst)
            frmConsulta->btnConfirmaClick();
        frmConsulta->DBGrid1()->setCurrentIndex(frmConsulta->modelo()->index(0, 0));
        frmConsulta->DBGrid1DblClick();
        return 1;
    };
}

// What the company window shows when opened from the menu.
void inspectOpenedWindow(QDialog &dialog, ScriptedPrompts &prompts)
{
    EXPECT_EQ(dialog.objectName(), QStringLiteral("frmEmpresa"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Manutenção da Tabela Empresa"));
    auto *tabs = dialog.findChild<QTabWidget *>(QStringLiteral("PageControl1"));
    EXPECT_TRUE(tabs && tabs->count() == 1 && tabs->tabText(0) == QStringLiteral("Dados Basicos"));

    struct Field {
        const char *name;
        const char *hint;
        int maxLength;
    };
    for (const Field &f : {Field{"edtInscricao", "Inscrição Estadual do Declarante", 14},
                           Field{"edtCnpj", "C.N.P.J/CPF do Declarante", 14},
                           Field{"edtRazaoSocial", "Razão Social do Declarante", 70},
                           Field{"edtCnae", "C.N.A.E", 7}, Field{"edtTipoDeclara", "Tipo de Declaração", 2},
                           Field{"edtMunicipio", "Municipio da empresa", 6}}) {
        auto *edit = dialog.findChild<QLineEdit *>(QString::fromLatin1(f.name));
        ASSERT_TRUE(edit) << f.name;
        EXPECT_EQ(edit->toolTip(), QString::fromUtf8(f.hint)) << f.name;
        EXPECT_EQ(edit->maxLength(), f.maxLength) << f.name;
        EXPECT_EQ(orva::ui::tag(edit), 1) << f.name;
        EXPECT_TRUE(edit->text().isEmpty()) << f.name;
    }
    for (const char *name : {"lblNomeCnae", "lblNomeTipoDeclara", "lblNomeMunicipio"}) {
        auto *label = dialog.findChild<QLabel *>(QString::fromLatin1(name));
        EXPECT_TRUE(label && orva::ui::tag(label) == 1) << name;
    }
    struct Button {
        const char *name;
        const char *caption;
        const char *hint;
    };
    for (const Button &b : {Button{"btnNovo", "&Novo", "Insere um novo Registro"},
                            Button{"btnSalvar", "&Salvar", "Salva o Registro Atual"},
                            Button{"btnConsulta", "&Procurar", "Consulta Avançada"},
                            Button{"btnApagar", "&Apagar", "Apaga o Registro Atual"},
                            Button{"btnFechar", "&Fechar", "Fechar"},
                            Button{"btnConsCnae", nullptr, "Consulta o cadastro de CNAE"},
                            Button{"btnConsTipoDeclara", nullptr, "Consulta o Cadastro de Tipo de Declaração"},
                            Button{"btnConsMunicipio", nullptr, "Consulta o cadastro de Municipios"}}) {
        auto *button = dialog.findChild<QPushButton *>(QString::fromLatin1(b.name));
        ASSERT_TRUE(button) << b.name;
        if (b.caption) {
            EXPECT_EQ(button->text(), QString::fromUtf8(b.caption)) << b.name;
        }
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(b.hint)) << b.name;
    }

    // Digit-only fields drop other keys with a beep; the name takes anything.
    auto &frm = static_cast<TfrmEmpresa &>(dialog);
    QApplication::setActiveWindow(&frm);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&frm));
    frm.edtRazaoSocial()->setFocus();
    QTest::keyClicks(frm.edtRazaoSocial(), QStringLiteral("a-1"));
    frm.edtCnpj()->setFocus();
    EXPECT_EQ(frm.edtRazaoSocial()->text(), QStringLiteral("A-1")) << "upper-cased on exit";
    QTest::keyClicks(frm.edtCnpj(), QStringLiteral("1a2."));
    EXPECT_EQ(frm.edtCnpj()->text(), QStringLiteral("12"));
    EXPECT_EQ(prompts.beeps, 2);
}

} // namespace

TEST(FrmEmpresa, ControlsHintsAndLimitsAndAbreOpensTheEmpresaTable)
{
    TempProgram program;
    ScriptedPrompts prompts;
    bool inspected = false;
    prompts.dialogHandlers.push_back([&](QDialog &dialog) {
        inspected = true;
        inspectOpenedWindow(dialog, prompts);
        QTest::mouseClick(static_cast<TfrmEmpresa &>(dialog).btnFechar(), Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
        return dialog.result();
    });

    TfrmEmpresa::Abre();
    EXPECT_TRUE(inspected);
    EXPECT_EQ(prompts.modalWindows, QStringList{QStringLiteral("frmEmpresa")});
}

TEST(FrmEmpresa, WithoutTheTableParameterItSaysSoAndCloses)
{
    TempProgram program;
    ScriptedPrompts prompts;
    TfrmEmpresa w;
    w.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("Falta de parametro strTabela = ")});
    EXPECT_FALSE(w.isVisible());
}

TEST(FrmEmpresa, RegistrationIsPaddedAndValidatedOnExit)
{
    EmpresaWindow f;
    f.typeAndLeave(f.w.edtInscricao(), QStringLiteral("123"));
    EXPECT_EQ(f.w.edtInscricao()->text(), QStringLiteral("00000000000123"));
    EXPECT_EQ(f.prompts.texts(), QStringList{QStringLiteral("Inscrição Estadual Invalida !")});
    EXPECT_EQ(QApplication::focusWidget(), f.w.edtInscricao()) << "focus goes back to the invalid field";

    f.prompts.clear();
    f.w.edtInscricao()->clear();
    f.typeAndLeave(f.w.edtInscricao(), QStringLiteral("124"));
    EXPECT_EQ(f.w.edtInscricao()->text(), QStringLiteral("00000000000124"));
    EXPECT_TRUE(f.prompts.shown.empty());
    EXPECT_EQ(QApplication::focusWidget(), f.w.edtCnpj());

    // A wrong CNPJ/CPF keeps the user on the field.
    f.typeAndLeave(f.w.edtCnpj(), QStringLiteral("12345678000194"));
    EXPECT_EQ(f.prompts.texts(), QStringList{QStringLiteral("CNPJ/CPF invalido !")});
    EXPECT_EQ(QApplication::focusWidget(), f.w.edtCnpj());
}

TEST(FrmEmpresa, SaveInsertsThenUpdatesTheSameCompanyAndTypingItLoadsIt)
{
    EmpresaWindow f;
    f.typeAndLeave(f.w.edtInscricao(), QStringLiteral("124"));
    f.typeAndLeave(f.w.edtCnpj(), QStringLiteral("12345678000195"));
    f.typeAndLeave(f.w.edtRazaoSocial(), QStringLiteral("acme comércio"));
    EXPECT_EQ(f.w.edtRazaoSocial()->text(), QStringLiteral("ACME COMÉRCIO"));
    f.typeAndLeave(f.w.edtCnae(), QStringLiteral("0111301"));
    EXPECT_EQ(f.w.lblNomeCnae()->text(), QStringLiteral("Cultivo de arroz"));
    f.typeAndLeave(f.w.edtTipoDeclara(), QStringLiteral("1"));
    EXPECT_EQ(f.w.lblNomeTipoDeclara()->text(), QStringLiteral("Declaração de Rateio"));
    f.typeAndLeave(f.w.edtMunicipio(), QStringLiteral("110001"));
    EXPECT_EQ(f.w.lblNomeMunicipio()->text(), QStringLiteral("ÁGUA AZUL DO SERTÃO"));
    ASSERT_TRUE(f.prompts.shown.empty()) << f.prompts.texts().join(u'|').toStdString();

    janela::clica(f.w.btnSalvar());
    EXPECT_EQ(f.prompts.texts(), QStringList{QStringLiteral("Registro Gravado !")});
    EXPECT_EQ(f.w.Empresas().comando().commandText(), kInsert);
    EXPECT_EQ(f.value(QStringLiteral("Select Inscricao || '|' || Razao || '|' || Cnpj || '|' || Cnae || '|' || "
                                     "Tipo_Declara || '|' || Municipio From Empresa")),
              QStringLiteral("00000000000124|ACME COMÉRCIO|12345678000195|0111301|1|110001"));
    EXPECT_EQ(f.w.edtInscricao()->text(), QStringLiteral("00000000000124")) << "the fields keep their contents";

    // The second save of the same registration updates the row.
    f.w.edtRazaoSocial()->clear();
    janela::digitaTexto(f.w.edtRazaoSocial(), QStringLiteral("nova razão"));
    f.w.edtMunicipio()->setText(QStringLiteral("110002"));
    janela::clica(f.w.btnSalvar()); // the click leaves the name field: upper-cased first
    EXPECT_EQ(f.prompts.texts(), (QStringList{QStringLiteral("Registro Gravado !"), QStringLiteral("Registro Gravado !")}));
    EXPECT_EQ(f.w.Empresas().comando().commandText(), kUpdate);
    EXPECT_EQ(f.value(QStringLiteral("Select count(*) From Empresa")), QStringLiteral("1"));
    EXPECT_EQ(f.value(QStringLiteral("Select Razao || '|' || Municipio From Empresa")),
              QStringLiteral("NOVA RAZÃO|110002"));

    // "Novo" clears fields and labels; typing the registration loads it all.
    janela::clica(f.w.btnNovo());
    EXPECT_TRUE(f.w.edtRazaoSocial()->text().isEmpty());
    EXPECT_TRUE(f.w.lblNomeMunicipio()->text().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), f.w.edtInscricao());
    f.typeAndLeave(f.w.edtInscricao(), QStringLiteral("124"));
    EXPECT_EQ(f.w.edtRazaoSocial()->text(), QStringLiteral("NOVA RAZÃO"));
    EXPECT_EQ(f.w.edtCnpj()->text(), QStringLiteral("12345678000195"));
    EXPECT_EQ(f.w.edtCnae()->text(), QStringLiteral("0111301"));
    EXPECT_EQ(f.w.lblNomeCnae()->text(), QStringLiteral("Cultivo de arroz"));
    EXPECT_EQ(f.w.lblNomeTipoDeclara()->text(), QStringLiteral("Declaração de Rateio"));
    EXPECT_EQ(f.w.lblNomeMunicipio()->text(), QStringLiteral("ÁGUA BRANCA DO JARI"));
}

TEST(FrmEmpresa, RequiredFieldsAreNamedInTheirOrderAndUnknownCodesAreEmptied)
{
    EmpresaWindow f;
    janela::clica(f.w.btnSalvar());
    EXPECT_EQ(f.prompts.texts(), QStringList{QStringLiteral("Falta o Dados do Campo Razão Social do Declarante")});

    // The walk meets name, registration, type, activity, CNPJ, municipality.
    f.prompts.clear();
    f.w.edtRazaoSocial()->setText(QStringLiteral("X"));
    janela::clica(f.w.btnSalvar());
    f.w.edtInscricao()->setText(QStringLiteral("00000000000124"));
    janela::clica(f.w.btnSalvar());
    f.w.edtTipoDeclara()->setText(QStringLiteral("0"));
    janela::clica(f.w.btnSalvar());
    EXPECT_EQ(f.prompts.texts(), (QStringList{QStringLiteral("Falta o Dados do Campo Inscrição Estadual do Declarante"),
                                              QStringLiteral("Falta o Dados do Campo Tipo de Declaração"),
                                              QStringLiteral("Falta o Dados do Campo C.N.A.E")}));

    // An activity code that is not registered: emptied, the label says so,
    // and the check names the field again.
    f.prompts.clear();
    f.typeAndLeave(f.w.edtCnae(), QStringLiteral("9999999"));
    EXPECT_TRUE(f.w.edtCnae()->text().isEmpty());
    EXPECT_EQ(f.w.lblNomeCnae()->text(), QStringLiteral("Não Cadastrado"));
    f.w.edtCnpj()->setText(QStringLiteral("11111111111"));
    f.w.edtMunicipio()->setText(QStringLiteral("110001"));
    janela::clica(f.w.btnSalvar());
    EXPECT_EQ(f.prompts.texts(), QStringList{QStringLiteral("Falta o Dados do Campo C.N.A.E")});
    EXPECT_EQ(f.value(QStringLiteral("Select count(*) From Empresa")), QStringLiteral("0"));
}

TEST(FrmEmpresa, SearchButtonsFillTheirFieldOrEmptyItWhenNothingIsPicked)
{
    EmpresaWindow f;
    int listedAtOnce = -1;
    f.prompts.dialogHandlers.push_back(pickFirstRow(false, &listedAtOnce));
    janela::clica(f.w.btnConsCnae());
    EXPECT_GT(listedAtOnce, 0) << "the activity search lists at once";
    EXPECT_FALSE(f.w.edtCnae()->text().isEmpty());
    EXPECT_EQ(f.w.edtCnae()->text(), f.value(QStringLiteral("Select Codigo From CNAE Where Codigo = '")
                                             + f.w.edtCnae()->text() + QStringLiteral("'")));
    EXPECT_EQ(f.w.lblNomeCnae()->text(), f.value(QStringLiteral("Select Descricao From CNAE Where Codigo = '")
                                                 + f.w.edtCnae()->text() + QStringLiteral("'")));

    f.prompts.dialogHandlers.push_back(pickFirstRow(false));
    janela::clica(f.w.btnConsTipoDeclara());
    EXPECT_FALSE(f.w.edtTipoDeclara()->text().isEmpty());
    EXPECT_FALSE(f.w.lblNomeTipoDeclara()->text().isEmpty());

    // Closed with "Fechar": the field is emptied.
    f.w.edtMunicipio()->setText(QStringLiteral("110001"));
    f.prompts.dialogHandlers.push_back([](QDialog &) {
        frmConsulta->btnFecharClick();
        return 0;
    });
    janela::clica(f.w.btnConsMunicipio());
    EXPECT_TRUE(f.w.edtMunicipio()->text().isEmpty());
    EXPECT_EQ(f.prompts.modalWindows, QStringList(3, QStringLiteral("frmConsulta")));
    EXPECT_TRUE(f.prompts.shown.empty());
}

TEST(FrmEmpresa, ProcurarListsOnlyOnConfirmAndLoadsThePickedCompany)
{
    EmpresaWindow f;
    f.insertCompany(QStringLiteral("00000000000124"), QStringLiteral("FAZENDA BOA VISTA"));
    int listedAtOnce = -1;
    f.prompts.dialogHandlers.push_back(pickFirstRow(true, &listedAtOnce));
    janela::clica(f.w.btnConsulta());
    EXPECT_EQ(listedAtOnce, 0) << "the company search waits for a filter";
    EXPECT_EQ(f.w.edtInscricao()->text(), QStringLiteral("00000000000124"));
    EXPECT_EQ(f.w.edtRazaoSocial()->text(), QStringLiteral("FAZENDA BOA VISTA"));
    EXPECT_EQ(f.w.lblNomeCnae()->text(), QStringLiteral("Cultivo de milho"));
    EXPECT_EQ(f.w.lblNomeTipoDeclara()->text(), QStringLiteral("Declaração de Notas Fiscais de Entrada"));
    EXPECT_EQ(f.w.edtMunicipio()->text(), QStringLiteral("110002"));
}

TEST(FrmEmpresa, ApagarAsksAttentionAndDeletesTheCompany)
{
    EmpresaWindow f;
    f.insertCompany(QStringLiteral("00000000000124"), QStringLiteral("FAZENDA BOA VISTA"));
    f.insertCompany(QStringLiteral("00000000000060"), QStringLiteral("OUTRA"));

    // Nothing to delete without a registration: no question.
    janela::clica(f.w.btnApagar());
    EXPECT_TRUE(f.prompts.shown.empty());

    f.typeAndLeave(f.w.edtInscricao(), QStringLiteral("124"));
    f.prompts.answers = {false};
    janela::clica(f.w.btnApagar());
    ASSERT_EQ(f.prompts.shown.size(), 1u);
    const ScriptedPrompts::Shown &asked = f.prompts.last();
    EXPECT_EQ(asked.kind, QStringLiteral("question"));
    EXPECT_EQ(asked.caption, QStringLiteral("ATENÇÃO"));
    EXPECT_EQ(asked.text, QStringLiteral("Deseja mesmo Apagar o registro atual ?"));
    EXPECT_EQ(asked.icon, orva::Prompts::Icon::Warning);
    EXPECT_EQ(asked.defaultButton, orva::Prompts::Button::Yes);
    EXPECT_EQ(f.value(QStringLiteral("Select count(*) From Empresa")), QStringLiteral("2"));
    EXPECT_EQ(f.w.edtRazaoSocial()->text(), QStringLiteral("FAZENDA BOA VISTA"));

    janela::clica(f.w.btnApagar()); // the default answer, Yes
    EXPECT_EQ(f.w.Empresas().comando().commandText(),
              QStringLiteral("Delete From Empresa Where Inscricao = '00000000000124'"));
    EXPECT_EQ(f.value(QStringLiteral("Select group_concat(Inscricao) From Empresa")), QStringLiteral("00000000000060"));
    EXPECT_TRUE(f.w.edtInscricao()->text().isEmpty());
    EXPECT_TRUE(f.w.edtRazaoSocial()->text().isEmpty());
    EXPECT_TRUE(f.w.lblNomeCnae()->text().isEmpty());
}

TEST(FrmEmpresa, EscKeepsTheWindowAndWhatWasTyped)
{
    EmpresaWindow f;
    janela::digita(f.w.edtRazaoSocial(), QStringLiteral("ACME"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_TRUE(f.w.isVisible());
    EXPECT_EQ(f.w.edtRazaoSocial()->text(), QStringLiteral("ACME"));
}
