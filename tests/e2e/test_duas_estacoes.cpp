// Two workstations on one server database: this process runs the windows
// (its data module open on the server), the other is orva-cli in a program
// folder of its own whose Orva.ini names the same database. When both touch
// the same row, the window says what happened and keeps what was typed.
#include "support/motor.h"
#include "support/orva_cli.h"
#include "support/scripted_prompts.h"
#include "support/sql.h"
#include "support/window_driver.h"

#include "ui/shared/frmconsulta.h"
#include "ui/registrations/frmempresa.h"
#include "ui/registrations/frmprotocolo.h"
#include "common/relogio.h"
#include "core/stores/leitura.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

const QString kEmpresaA = QStringLiteral("00000000000124");

struct DuasEstacoes : ::testing::Test {
    void SetUp() override
    {
        ORVA_REQUER_POSTGRES();
        servidor = std::make_unique<ProgramaNoMotor>(Motor::Servidor);
        orva::install::createProgramFolder(pastaOutra.path());
        QFile ini(QDir(pastaOutra.path()).filePath(QStringLiteral("Orva.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Banco]\r\nServidor=" + servidor->alvo().toUtf8() + "\r\n");
        ini.close();
        orva::defineRelogio([] { return QDateTime(QDate(2015, 3, 5), QTime(10, 0)); });
        frmConsulta = &consulta;
    }
    void TearDown() override
    {
        frmConsulta = nullptr;
        orva::defineRelogio(nullptr);
    }

    // The other workstation: orva-cli in its own folder; it must succeed.
    orvacli::Resposta outra(const QStringList &argumentos)
    {
        orvacli::Resposta r = orvacli::roda(pastaOutra.path(), argumentos);
        EXPECT_EQ(r.saida, 0) << argumentos.join(' ').toStdString() << ": " << r.mensagens().toStdString();
        return r;
    }
    void empresa(const QString &inscricao, const QString &razao)
    {
        outra({"company", "save", "--inscricao", inscricao, "--cnpj", "12345678000195", "--razao-social", razao,
               "--cnae", "0111301", "--tipo-declaracao", "1", "--municipio", "110001"});
    }
    QString valor(const QString &sql) { return sql::valor(servidor->connection(), sql); }

    std::unique_ptr<ProgramaNoMotor> servidor;
    QTemporaryDir pastaOutra;
    ScriptedPrompts prompts;
    TfrmConsulta consulta;
};

} // namespace

// "Novo" proposed 1 here while the other workstation opened protocol 1: the
// window's protocol is stored under 2, and the message says so.
TEST_F(DuasEstacoes, TheProtocolNumberProposedHereAndTakenThereIsNotOverwritten)
{
    empresa(QStringLiteral("124"), QStringLiteral("Fazenda A"));
    empresa(QStringLiteral("205"), QStringLiteral("Fazenda B"));
    TfrmProtocolo w;
    w.DefineTabela(QStringLiteral("Protocolo"));
    janela::ativa(&w);
    janela::clica(w.btnNovo());
    ASSERT_EQ(w.edtProtocolo()->text(), QStringLiteral("1"));

    EXPECT_EQ(outra({"protocol", "new", "--inscricao", "205", "--tipo-entrega", "1", "--responsavel", "Bia", "--crc",
                     "0"})
                  .json.value("chave")
                  .toString(),
              QStringLiteral("1"));

    janela::preenche(w.edtTipoEntrega(), QStringLiteral("1"));
    janela::preenche(w.edtInscricao(), QStringLiteral("124"));
    janela::preenche(w.edtCrcContador(), QStringLiteral("0"));
    janela::preenche(w.edtResponsavel(), QStringLiteral("Ana"));
    janela::clica(w.btnSalvar());
    ASSERT_FALSE(prompts.shown.empty());
    EXPECT_EQ(prompts.shown.back().text,
              QStringLiteral("Registro Gravado !\n\nO número 1, proposto por \"Novo\", foi usado por outro usuário antes "
                             "da gravação: este protocolo foi gravado com o número 2."));
    EXPECT_EQ(valor("Select Inscricao From Protocolo Where Protocolo = 1"), QStringLiteral("00000000000205"));
    EXPECT_EQ(valor("Select Inscricao From Protocolo Where Protocolo = 2"), kEmpresaA);
    w.hide();
}

// A company loaded here and changed there: the window's save is refused with
// the message that says what to do, and the typed name stays in its field.
TEST_F(DuasEstacoes, ACompanyChangedThereSinceLoadedHereIsNotOverwritten)
{
    empresa(QStringLiteral("124"), QStringLiteral("Fazenda A"));
    TfrmEmpresa w;
    w.DefineTabela(QStringLiteral("Empresa"));
    janela::ativa(&w);
    janela::preenche(w.edtInscricao(), QStringLiteral("124"));
    ASSERT_EQ(w.edtRazaoSocial()->text(), QStringLiteral("FAZENDA A"));

    empresa(QStringLiteral("124"), QStringLiteral("Fazenda A Alterada"));

    janela::preenche(w.edtRazaoSocial(), QStringLiteral("Fazenda A Minha"));
    janela::clica(w.btnSalvar());
    ASSERT_FALSE(prompts.shown.empty());
    EXPECT_EQ(prompts.shown.back().text, orva::stores::kAlteradoPorOutro);
    EXPECT_EQ(w.edtRazaoSocial()->text(), QStringLiteral("FAZENDA A MINHA"));
    EXPECT_EQ(valor("Select Razao From Empresa Where Inscricao = '00000000000124'"), QStringLiteral("FAZENDA A ALTERADA"));

    // Loaded again, the change is saved over the other's.
    janela::preenche(w.edtInscricao(), QStringLiteral("124"));
    janela::preenche(w.edtRazaoSocial(), QStringLiteral("Fazenda A Minha"));
    janela::clica(w.btnSalvar());
    EXPECT_EQ(prompts.shown.back().text, QStringLiteral("Registro Gravado !"));
    EXPECT_EQ(valor("Select Razao From Empresa Where Inscricao = '00000000000124'"), QStringLiteral("FAZENDA A MINHA"));
    w.hide();
}
