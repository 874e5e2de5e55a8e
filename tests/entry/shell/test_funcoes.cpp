#include "support/scripted_prompts.h"
#include "support/temp_program.h"

#include "core/db/query.h"
#include "ui/shell/funcoes.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Funcoes;

TEST(Funcoes, TextFillingAndStripping)
{
    EXPECT_EQ(ZerosEsquerda(QStringLiteral("123"), 6), QStringLiteral("000123"));
    EXPECT_EQ(ZerosEsquerda(QStringLiteral("1234567"), 6), QStringLiteral("1234567"));
    EXPECT_EQ(ZerosEsquerda(QString(), 3), QStringLiteral("000"));
    EXPECT_EQ(EspacosDireita(QStringLiteral("AB"), 4), QStringLiteral("AB  "));
    EXPECT_EQ(EspacosDireita(QStringLiteral("ABCDE"), 4), QStringLiteral("ABCDE"));
    EXPECT_EQ(RetiraPontuacao(QStringLiteral("1.234,56")), QStringLiteral("123456"));
    EXPECT_EQ(RetiraPontuacao(QStringLiteral("a/b;c%d'e*f")), QStringLiteral("abcdef"));
    EXPECT_EQ(RetiraPontuacao(QStringLiteral("12-3 a")), QStringLiteral("12-3 a"));
    EXPECT_EQ(SoNumeros(QStringLiteral("12.345.678/0001-95")), QStringLiteral("12345678000195"));
}

TEST(Funcoes, ConversionChecksFollowTheDecimalComma)
{
    EXPECT_TRUE(ValidaNumero(QStringLiteral("12,50")));
    EXPECT_TRUE(ValidaNumero(QStringLiteral("-3")));
    EXPECT_FALSE(ValidaNumero(QStringLiteral("12.50")));
    EXPECT_FALSE(ValidaNumero(QStringLiteral("1.234,56"))); // no grouping in a typed number
    EXPECT_FALSE(ValidaNumero(QString()));
    EXPECT_FALSE(ValidaNumero(QStringLiteral("abc")));

    EXPECT_TRUE(ValidaInteiro(QStringLiteral("2147483647")));
    EXPECT_TRUE(ValidaInteiro(QStringLiteral("-12")));
    EXPECT_FALSE(ValidaInteiro(QStringLiteral("2147483648")));
    EXPECT_FALSE(ValidaInteiro(QStringLiteral("12,0")));
    EXPECT_FALSE(ValidaInteiro(QString()));

    EXPECT_TRUE(ValidaData(QStringLiteral("31/12/2015")));
    EXPECT_TRUE(ValidaData(QStringLiteral("5/3/2015")));
    EXPECT_TRUE(ValidaData(QStringLiteral("29/02/2016")));
    EXPECT_FALSE(ValidaData(QStringLiteral("29/02/2015")));
    EXPECT_FALSE(ValidaData(QStringLiteral("12/31/2015")));
    EXPECT_FALSE(ValidaData(QStringLiteral("2015-12-31")));
    EXPECT_FALSE(ValidaData(QString()));
}

TEST(Funcoes, DateFormatCheckComparesUpperCasedFormat)
{
    ScriptedPrompts prompts;
    orva::setApplicationTitle(QStringLiteral("ORVA 2016 - Tessaria"));
    EXPECT_TRUE(VerificaFormatoData(QStringLiteral("dd/MM/yyyy")));
    EXPECT_TRUE(VerificaFormatoData(QStringLiteral("dd/mm/yyyy")));
    EXPECT_TRUE(VerificaFormatoData(QStringLiteral("DD/MM/YYYY")));
    EXPECT_TRUE(prompts.shown.empty());

    EXPECT_FALSE(VerificaFormatoData(QStringLiteral("dd/MM/yy")));
    EXPECT_FALSE(VerificaFormatoData(QStringLiteral("M/d/yyyy")));
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.last().kind, QStringLiteral("information"));
    EXPECT_EQ(prompts.last().caption, QStringLiteral("ORVA 2016 - Tessaria"));
    EXPECT_EQ(prompts.last().text,
              QStringLiteral("Formato da Data do Sistema operacional esta invalido (M/d/yyyy).\n"
                             "Por Favor configure o formato da Data para DD/MM/YYYY.\n"
                             "Para corrigir Utilize o painel de controle do windows a opção de Configurações Regionais."));
}

TEST(Funcoes, UnhandledErrorsCarryTheSupportLine)
{
    ScriptedPrompts prompts;
    TrataExcecao(orva::Error(QStringLiteral("Falhou.")));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.last().kind, QStringLiteral("error"));
    EXPECT_EQ(prompts.last().text, QStringLiteral("Falhou.\n\nSuporte técnico: \nCentral Tarvo - Fone: 55 5010-2020"));
    TrataExcecao(orva::Abort());
    EXPECT_EQ(prompts.shown.size(), 1u);
}

TEST(Funcoes, LookupsAndNextCode)
{
    TempProgram program;
    ScriptedPrompts prompts;
    orva::db::Command cmd(program.connection());
    cmd.setCommandText(QStringLiteral("Insert into Produtos (Cod_Prod, Descricao) Values (1, 'ARROZ'), (2, ''), (7, NULL)"));

    EXPECT_EQ(ProximoCodigo(QStringLiteral("Produtos"), QStringLiteral("Cod_Prod")), QStringLiteral("1"));
    cmd.execute();
    EXPECT_EQ(ProximoCodigo(QStringLiteral("Produtos"), QStringLiteral("Cod_Prod")), QStringLiteral("8"));

    const auto produto = [](const char *code) {
        return BuscaDescricao(QStringLiteral("Produtos"), QStringLiteral("Cod_Prod"), QString::fromLatin1(code),
                              QStringLiteral("Descricao"));
    };
    EXPECT_EQ(produto("1"), QStringLiteral("ARROZ"));
    EXPECT_EQ(produto("2"), QStringLiteral("Não Cadastrado")); // empty description
    EXPECT_EQ(produto("7"), QStringLiteral("Não Cadastrado")); // null description
    EXPECT_EQ(produto("9"), QStringLiteral("Não Cadastrado"));
    EXPECT_EQ(BuscaDescricao(QStringLiteral("Tipo_Entrada"), QStringLiteral("Codigo"), QStringLiteral("NP"),
                             QStringLiteral("Descricao")),
              QStringLiteral("Nota de Produtor"));
    EXPECT_TRUE(prompts.shown.empty());

    orva::db::Command company(program.connection());
    company.setCommandText(QStringLiteral("Insert into Empresa (Inscricao,Razao,Cnpj,Cnae,Tipo_Declara,Municipio ) "
                                          "Values ('00000000000001','RATEIO SA','11111111111','4711302','1','110001')"));
    company.execute();
    const auto declarant = [](const char *type) {
        return BuscaDescricaoChaves(QStringLiteral("Empresa"), QStringLiteral("Inscricao"), QStringLiteral("00000000000001"),
                                    QStringLiteral("TIPO_DECLARA"), QString::fromLatin1(type), QStringLiteral("Razao"));
    };
    EXPECT_EQ(declarant("1"), QStringLiteral("RATEIO SA"));
    EXPECT_EQ(declarant("0"), QStringLiteral("Não Cadastrado"));

    // A failing lookup shows the database's message, no support line, and returns empty text.
    EXPECT_EQ(BuscaDescricao(QStringLiteral("NaoExiste"), QStringLiteral("Codigo"), QStringLiteral("1"),
                             QStringLiteral("Descricao")),
              QString());
    EXPECT_EQ(ProximoCodigo(QStringLiteral("NaoExiste"), QStringLiteral("Codigo")), QString());
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[0].kind, QStringLiteral("error"));
    EXPECT_TRUE(prompts.shown[0].text.contains(QStringLiteral("NaoExiste")));
    EXPECT_FALSE(prompts.shown[0].text.contains(QStringLiteral("Suporte")));
}

TEST(Funcoes, CountsLinesLikeAReader)
{
    QTemporaryDir dir;
    const auto write = [&](const QByteArray &content) {
        QFile f(dir.filePath(QStringLiteral("f.txt")));
        f.open(QIODevice::WriteOnly);
        f.write(content);
        f.close();
        return ContaLinhas(f.fileName());
    };
    EXPECT_EQ(write(""), 0);
    EXPECT_EQ(write("abc"), 1);
    EXPECT_EQ(write("abc\r\n"), 1);
    EXPECT_EQ(write("abc\r\n\r\ndef"), 3);
    EXPECT_EQ(write("a\nb\n"), 2);
    EXPECT_THROW(ContaLinhas(dir.filePath(QStringLiteral("missing.txt"))), orva::Error);
}
