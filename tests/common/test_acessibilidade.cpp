// Every window of both programs as a screen reader finds it through Qt's
// accessibility interface: each control the focus reaches has a name, and no
// two fields of one window share one.
#include "support/scripted_prompts.h"
#include "support/temp_program.h"
#include "support/window_driver.h"

#include "client/janelas/frm_atencao.h"
#include "client/janelas/frm_main.h"
#include "client/janelas/frm_selecione.h"
#include "client/janelas/frmdownload.h"
#include "common/acessibilidade.h"
#include "ui/entries/frmnotafiscal.h"
#include "ui/entries/frmrateio.h"
#include "ui/export/frmexportacao.h"
#include "ui/import/frmvalidacao.h"
#include "ui/maintenance/frmcopiaarquivo.h"
#include "ui/maintenance/fsobre.h"
#include "ui/app/frmprincipal.h"
#include "ui/shared/frmconsulta.h"
#include "ui/registrations/frmempresa.h"
#include "ui/registrations/frmprotocolo.h"
#include "ui/registrations/frmtabela.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QMenu>
#include <QMenuBar>
#include <QComboBox>
#include <QHeaderView>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

bool dentroDeComposto(const QWidget *w)
{
    const QWidget *pai = w ? w->parentWidget() : nullptr;
    return pai && (qobject_cast<const QComboBox *>(pai) || qobject_cast<const QAbstractSpinBox *>(pai));
}

bool ehCampo(QAccessible::Role r)
{
    return r == QAccessible::EditableText || r == QAccessible::ComboBox || r == QAccessible::SpinBox
           || r == QAccessible::Table || r == QAccessible::List || r == QAccessible::Tree;
}

// What is wrong in the window's tree: "objeto (papel) sem nome", "nome repetido: ...".
void percorre(QAccessibleInterface *i, QStringList &problemas, QMap<QString, QStringList> &campos)
{
    for (int k = 0; k < i->childCount(); ++k) {
        QAccessibleInterface *c = i->child(k);
        if (!c || !c->isValid())
            continue;
        const QAccessible::State estado = c->state();
        auto *w = qobject_cast<QWidget *>(c->object());
        if (estado.invisible || (w && !w->isVisible()))
            continue;
        const QAccessible::Role papel = c->role();
        if (estado.focusable && w && !dentroDeComposto(w) && !w->focusProxy()) {
            const QString nome = c->text(QAccessible::Name).trimmed();
            if (nome.isEmpty())
                problemas << QStringLiteral("%1 (papel %2) sem nome").arg(w->objectName()).arg(int(papel));
            else if (ehCampo(papel))
                campos[nome] << w->objectName();
        }
        // The cells of a grid or list are its own business.
        if (!ehCampo(papel) || papel == QAccessible::ComboBox || papel == QAccessible::SpinBox)
            percorre(c, problemas, campos);
    }
}

// The letter after "&" in a caption, or a null character.
QChar atalho(const QString &texto)
{
    for (qsizetype i = 0; i + 1 < texto.size(); ++i) {
        if (texto.at(i) != QLatin1Char('&'))
            continue;
        if (texto.at(i + 1) != QLatin1Char('&'))
            return texto.at(i + 1).toUpper();
        ++i;
    }
    return {};
}

bool temLetra(const QString &texto)
{
    return std::any_of(texto.begin(), texto.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

// Keyboard reach: every control is a stop of Tab, every button and menu item
// with a caption has a mnemonic, and no two buttons of the window share one.
void teclado(QWidget *janela, QStringList &achados)
{
    QMap<QChar, QStringList> letras;
    for (QWidget *w : janela->findChildren<QWidget *>()) {
        if (!w->isVisibleTo(janela) || !w->isEnabled() || w->window() != janela || dentroDeComposto(w)
            || qobject_cast<QAbstractItemView *>(w->parentWidget()) || qobject_cast<QHeaderView *>(w))
            continue;
        const bool controle = qobject_cast<QAbstractButton *>(w) || qobject_cast<QLineEdit *>(w)
                              || qobject_cast<QComboBox *>(w) || qobject_cast<QAbstractSpinBox *>(w)
                              || qobject_cast<QAbstractItemView *>(w);
        if (controle && !(w->focusPolicy() & Qt::TabFocus))
            achados << QStringLiteral("%1 (%2) fora do Tab").arg(w->objectName(), w->metaObject()->className());
        if (auto *b = qobject_cast<QAbstractButton *>(w); b && temLetra(b->text())) {
            if (atalho(b->text()).isNull())
                achados << QStringLiteral("%1 (\"%2\") sem atalho").arg(b->objectName(), b->text());
            else
                letras[atalho(b->text())] << b->objectName();
        }
    }
    for (auto it = letras.cbegin(); it != letras.cend(); ++it)
        if (it.value().size() > 1)
            achados << QStringLiteral("atalho %1 repetido: %2").arg(it.key()).arg(it.value().join(QLatin1Char(',')));
    for (QMenu *menu : janela->findChildren<QMenu *>())
        for (QAction *a : menu->actions())
            if (!a->isSeparator() && atalho(a->text()).isNull())
                achados << QStringLiteral("menu %1 sem atalho").arg(a->text());
}

QStringList problemas(QWidget *janela)
{
    janela::ativa(janela);
    QStringList achados;
    teclado(janela, achados);
    QMap<QString, QStringList> campos;
    QAccessibleInterface *raiz = QAccessible::queryAccessibleInterface(janela);
    if (!raiz)
        return {QStringLiteral("sem interface")};
    percorre(raiz, achados, campos);
    for (auto it = campos.cbegin(); it != campos.cend(); ++it)
        if (it.value().size() > 1)
            achados << QStringLiteral("nome repetido \"%1\": %2").arg(it.key(), it.value().join(QLatin1Char(',')));
    janela->hide();
    return achados;
}

} // namespace

TEST(Acessibilidade, EveryWindowOfTheEntryProgramNamesItsControls)
{
    orva::instalaNomesAcessiveis();
    TempProgram program;
    ScriptedPrompts prompts;
    TfrmConsulta consulta;
    frmConsulta = &consulta;
    {
        TfrmPrincipal w;
        EXPECT_EQ(problemas(&w).join(" | ").toStdString(), "") << "principal";
        // "&Empresa" and "&Exportação" share E: pressed again, E reaches the next.
        janela::ativa(&w);
        QMenu *cadastros = w.findChild<QMenu *>(QStringLiteral("Cadastros1"));
        ASSERT_NE(cadastros, nullptr);
        bool disparou = false;
        for (QAction *a : cadastros->actions())
            QObject::connect(a, &QAction::triggered, [&disparou] { disparou = true; });
        cadastros->popup(w.mapToGlobal(QPoint(0, 0)));
        janela::assenta();
        QTest::keyClick(cadastros, Qt::Key_E);
        ASSERT_NE(cadastros->activeAction(), nullptr);
        EXPECT_EQ(cadastros->activeAction()->objectName(), "Empresa1");
        QTest::keyClick(cadastros, Qt::Key_E);
        ASSERT_NE(cadastros->activeAction(), nullptr);
        EXPECT_EQ(cadastros->activeAction()->objectName(), "Exportao1");
        EXPECT_FALSE(disparou) << "a shared letter chooses, Enter opens";
        QTest::keyClick(cadastros, Qt::Key_Escape);
    }
    {
        TfrmEmpresa w;
        w.DefineTabela(QStringLiteral("Empresa"));
        EXPECT_EQ(problemas(&w).join(" | ").toStdString(), "") << "empresa";
    }
    {
        TfrmProtocolo w;
        w.DefineTabela(QStringLiteral("Protocolo"));
        EXPECT_EQ(problemas(&w).join(" | ").toStdString(), "") << "protocolo";
    }
    {
        TfrmTabela w;
        w.DefineTabela(QStringLiteral("Produtos"), QStringLiteral("Cod_Prod"), QStringLiteral("Descricao"));
        EXPECT_EQ(problemas(&w).join(" | ").toStdString(), "") << "tabela";
    }
    {
        TfrmRateio w;
        w.DefineTabela(QStringLiteral("Rateio"));
        EXPECT_EQ(problemas(&w).join(" | ").toStdString(), "") << "rateio";
    }
    {
        TfrmNotaFiscal::DefineTabela(QStringLiteral("Dados"));
        TfrmNotaFiscal w;
        EXPECT_EQ(problemas(&w).join(" | ").toStdString(), "") << "nota fiscal";
        TfrmNotaFiscal::DefineTabela(QString());
    }
    {
        TfrmExportacao w;
        EXPECT_EQ(problemas(&w).join(" | ").toStdString(), "") << "exportação";
    }
    {
        TfrmValidacao w;
        EXPECT_EQ(problemas(&w).join(" | ").toStdString(), "") << "importação";
    }
    {
        TfrmCopiaArquivo w;
        EXPECT_EQ(problemas(&w).join(" | ").toStdString(), "") << "cópia";
    }
    {
        TFSobre w;
        EXPECT_EQ(problemas(&w).join(" | ").toStdString(), "") << "sobre";
    }
    consulta.DefineTabela(QStringLiteral("Municipios"));
    EXPECT_EQ(problemas(&consulta).join(" | ").toStdString(), "") << "consulta";
    frmConsulta = nullptr;
}

TEST(Acessibilidade, EveryWindowOfTheClientNamesItsControls)
{
    orva::instalaNomesAcessiveis();
    QTemporaryDir dir;
    const QString cliente = dir.filePath("ClienteOrvaDATP");
    QDir().mkpath(cliente + "/recv");
    ScriptedPrompts prompts;
    auto frm = Tfrm_main::Inicia(cliente, QString(), QString());
    EXPECT_EQ(problemas(frm.get()).join(" | ").toStdString(), "") << "principal";
    EXPECT_EQ(problemas(frm->FrmDownload()), QStringList()) << "download";
    EXPECT_EQ(problemas(frm->frm_selecione()), QStringList()) << "pastas";
    Tfrm_atencao aviso;
    aviso.pedeConfirmacao();
    EXPECT_EQ(problemas(&aviso).join(" | ").toStdString(), "") << "aviso";
}
