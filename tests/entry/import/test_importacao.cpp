// The one run of validation, import and compaction that the window and
// orva-cli share.
#include "entry/import/notas_teste.h"

#include "core/import/importacao.h"

#include <gtest/gtest.h>

using namespace notas_teste;
using orva::importacao::Execucao;
using orva::importacao::Importador;
using orva::importacao::PassosImportacao;
using orva::importacao::Resultado;

TEST(ExecucaoImportacao, NothingIsWrittenUnlessConfirmedAndACleanImportEndsCompacted)
{
    Programa p;
    Importador importador(p.program.connection());
    const auto protocolo = importador.VerificaProtocolo("7");
    ASSERT_TRUE(protocolo);
    const QString limpo = p.arquivo("limpo.txt", {notaNP("0000000001").linha(), notaNE("0000000002").linha()});

    int perguntas = 0;
    bool resposta = false;
    PassosImportacao passos;
    passos.confirmaImportacao = [&](const Resultado &validacao) {
        ++perguntas;
        EXPECT_EQ(validacao.processados, 2);
        return resposta;
    };
    auto e = orva::importacao::executaImportacao(importador, *p.program.dados, *protocolo, limpo, passos);
    EXPECT_EQ(e.fim, Execucao::Fim::ImportacaoRecusada);
    EXPECT_EQ(notas(), 0);

    resposta = true;
    e = orva::importacao::executaImportacao(importador, *p.program.dados, *protocolo, limpo, passos);
    ASSERT_EQ(e.fim, Execucao::Fim::Importado) << e.mensagem.toStdString();
    EXPECT_EQ(e.importacao.importados, 2);
    ASSERT_TRUE(e.compactacao);
    EXPECT_TRUE(e.compactacao->ok) << e.compactacao->mensagem.toStdString();
    EXPECT_EQ(notas(), 2); // on the connection the compaction opened again

    // The same file again: every record refused, no compaction.
    e = orva::importacao::executaImportacao(importador, *p.program.dados, *protocolo, limpo, passos);
    EXPECT_EQ(e.fim, Execucao::Fim::ErrosImportacao);
    EXPECT_EQ(e.importacao.existentes, 2);
    EXPECT_FALSE(e.compactacao);
    EXPECT_EQ(perguntas, 3);

    // A faulty file is never offered for import; a missing one stops the run.
    const QString errado = p.arquivo("errado.txt", {notaNP("0000000003").com(2, "2014").linha()});
    e = orva::importacao::executaImportacao(importador, *p.program.dados, *protocolo, errado, passos);
    EXPECT_EQ(e.fim, Execucao::Fim::ErrosValidacao);
    e = orva::importacao::executaImportacao(importador, *p.program.dados, *protocolo, p.program.path("nada.txt"), passos);
    EXPECT_EQ(e.fim, Execucao::Fim::Falha);
    EXPECT_FALSE(e.falhaNaImportacao);
    EXPECT_TRUE(e.mensagem.contains("não existe")) << e.mensagem.toStdString();
    EXPECT_EQ(perguntas, 3);
    EXPECT_EQ(notas(), 2);
}

TEST(ExecucaoImportacao, OnlyWhatWasValidatedIsImported)
{
    Programa p;
    Importador importador(p.program.connection());
    const auto protocolo = importador.VerificaProtocolo("7");
    ASSERT_TRUE(protocolo);
    const QStringList validas = {notaNP("0000000001").linha(), notaNE("0000000002").linha()};
    const QString arquivo = p.arquivo("notas.txt", validas);
    // Records that would fail every check: an unregistered company, an
    // unknown municipality, another year.
    const QString invalida = notaNP("0000000003").com(1, "99999999999999").com(2, "2014").com(3, "999999").linha();

    // Appended between the validation and the import: refused, nothing written.
    PassosImportacao passos;
    passos.confirmaImportacao = [&](const Resultado &) {
        gravaArquivo(arquivo, validas + QStringList{invalida});
        return true;
    };
    auto e = orva::importacao::executaImportacao(importador, *p.program.dados, *protocolo, arquivo, passos);
    EXPECT_EQ(e.fim, Execucao::Fim::Falha);
    EXPECT_TRUE(e.mensagem.contains("foi alterado depois da validação")) << e.mensagem.toStdString();
    EXPECT_EQ(e.importacao.importados, 0);
    EXPECT_FALSE(e.compactacao);
    EXPECT_EQ(notas(), 0);

    // Changed in place, same size: the changed line and those after it are
    // not written; the lines before it, validated, are.
    gravaArquivo(arquivo, validas);
    passos.confirmaImportacao = [&](const Resultado &) {
        gravaArquivo(arquivo, {validas.at(0), notaNE("0000000002").com(1, "99999999999999").linha()});
        return true;
    };
    e = orva::importacao::executaImportacao(importador, *p.program.dados, *protocolo, arquivo, passos);
    EXPECT_EQ(e.fim, Execucao::Fim::Falha);
    EXPECT_TRUE(e.falhaNaImportacao);
    EXPECT_TRUE(e.mensagem.contains("a partir da linha 2 não foram gravadas")) << e.mensagem.toStdString();
    EXPECT_EQ(e.importacao.importados, 1);
    EXPECT_EQ(notas(), 1);
    EXPECT_EQ(conta("Select Count(*) From Notas Where INSCRICAO = '99999999999999'"), 0);
}

TEST(ExecucaoImportacao, AProtocolMarkedTransmittedMeanwhileTakesNoRecord)
{
    Programa p;
    Importador importador(p.program.connection());
    importador.defineRegistrosPorTransacao(2);
    const auto protocolo = importador.VerificaProtocolo("7");
    ASSERT_TRUE(protocolo);
    QStringList linhas;
    for (int i = 1; i <= 5; ++i)
        linhas << notaNP(QStringLiteral("%1").arg(i, 10, 10, QLatin1Char('0'))).linha();
    const QString arquivo = p.arquivo("notas.txt", linhas);

    // Marked by an export between the validation and the import.
    PassosImportacao passos;
    passos.confirmaImportacao = [&](const Resultado &) {
        executa("Update Protocolo Set DtTransmissao = '2015-06-01' Where Protocolo = 7");
        return true;
    };
    auto e = orva::importacao::executaImportacao(importador, *p.program.dados, *protocolo, arquivo, passos);
    EXPECT_EQ(e.fim, Execucao::Fim::Falha);
    EXPECT_TRUE(e.mensagem.contains("O protocolo 7 não está mais aberto")) << e.mensagem.toStdString();
    EXPECT_TRUE(e.mensagem.contains("a partir da linha 1 não foram gravadas")) << e.mensagem.toStdString();
    EXPECT_EQ(e.importacao.importados, 0);
    EXPECT_EQ(notas(), 0);

    // Marked after the first transaction: its records stay, nothing after.
    executa("Update Protocolo Set DtTransmissao = Null Where Protocolo = 7");
    passos.confirmaImportacao = {};
    passos.importacao.andamento = [&](int processados, int) {
        if (processados == 2)
            executa("Update Protocolo Set DtTransmissao = '2015-06-01' Where Protocolo = 7");
    };
    e = orva::importacao::executaImportacao(importador, *p.program.dados, *protocolo, arquivo, passos);
    EXPECT_EQ(e.fim, Execucao::Fim::Falha);
    EXPECT_TRUE(e.mensagem.contains("a partir da linha 3 não foram gravadas")) << e.mensagem.toStdString();
    EXPECT_EQ(e.importacao.importados, 2);
    EXPECT_EQ(notas(), 2);
}

TEST(ExecucaoImportacao, AnEmptyFileIsRefusedWithItsDiagnosis)
{
    Programa p;
    Importador importador(p.program.connection());
    const auto protocolo = importador.VerificaProtocolo("7");
    ASSERT_TRUE(protocolo);
    const QString vazio = p.arquivo("vazio.txt", {});
    bool perguntou = false;
    PassosImportacao passos;
    passos.confirmaImportacao = [&](const Resultado &) { return perguntou = true; };
    const auto e = orva::importacao::executaImportacao(importador, *p.program.dados, *protocolo, vazio, passos);
    EXPECT_EQ(e.fim, Execucao::Fim::ArquivoVazio);
    EXPECT_TRUE(e.mensagem.startsWith("O arquivo está vazio")) << e.mensagem.toStdString();
    EXPECT_FALSE(perguntou);
    EXPECT_FALSE(e.compactacao);
}
