// The one run of validation, import and compaction that the window and
// orva-cli share.
#include "entry/import/notas_teste.h"

#include "import/importacao.h"

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
