// The import pass on a server database writes its records in batches; the
// same file must leave the same rows and the same report there as in
// orva.mdb, refused records in the middle of a batch included.
#include "entry/import/notas_teste.h"
#include "support/postgres.h"

#include "core/import/validacao.h"
#include "core/db/query.h"
#include "core/shell/instalacao.h"

#include <gtest/gtest.h>

using namespace notas_teste;
using orva::importacao::Acompanhamento;
using orva::importacao::ErroRegistro;
using orva::importacao::Importador;
using orva::importacao::Resultado;

namespace {

void preparaEmpresa(orva::db::Connection &c)
{
    sql::executa(c, "Insert into Empresa Values ('00000000000001', 'EMPRESA ALFA', '12345678000195', '4711302', '0', "
                    "'110001')");
    sql::executa(c, "Insert into Protocolo (Protocolo, Tipo_Protocolo, Tipo_Entrega, Exercicio, Inscricao, DtGeracao) "
                    "Values (6, 0, '1', '2015', '00000000000001', '2015-03-05'), "
                    "(7, 0, '1', '2015', '00000000000001', '2015-03-05')");
}

// Every row of Notas as text, in key order.
QStringList linhasNotas(orva::db::Connection &c)
{
    orva::db::Query q(c);
    q.setSql("Select INSCRICAO, EXERCICIO, MUNICIPIO, NF, DTA_EMIT_NF, TIPO, VALOR_NF, TIPO_EMITENTE, NOTA_ORIGEM, "
             "DTA_NF_ORIGEM, TIPO_EMITENTE_ORIGEM, EMITENTE_NOTA_ORIGEM, TIPO_NF_ORIGEM, VALOR_NF_ORIGEM, "
             "MUNICIPIO_ORIGEM, PROTOCOLO, OPERACAO From Notas Order By NF, TIPO");
    q.open();
    QStringList linhas;
    for (; !q.eof(); q.next()) {
        QStringList campos;
        for (int i = 0; i < q.fieldCount(); ++i)
            campos << q.field(i).asString();
        linhas << campos.join('|');
    }
    return linhas;
}

struct Passagem {
    Resultado resultado;
    QStringList relatorio;
    QStringList erros; // "line: message"
    QStringList notas;
};

Passagem importa(orva::db::Connection &c, const QString &arquivo, int porTransacao, int cancelaNaLinha = 0)
{
    Passagem p;
    Importador importador(c);
    importador.defineRegistrosPorTransacao(porTransacao);
    Acompanhamento a;
    int lidos = 0;
    a.relatorio = [&](const QString &e) { p.relatorio << e; };
    a.erro = [&](const ErroRegistro &e) { p.erros << QStringLiteral("%1: %2").arg(e.linha).arg(e.mensagem); };
    a.andamento = [&](int processados, int) { lidos = processados; };
    a.cancelado = [&] { return cancelaNaLinha > 0 && lidos == cancelaNaLinha; };
    p.resultado = importador.ImportaArquivo(arquivo, "7", a);
    p.notas = linhasNotas(c);
    return p;
}

} // namespace

TEST(ImportacaoEmLote, RefusedRecordsInTheMiddleOfABatchLeaveNothingAndTheSameRowsAsTheFile)
{
    ORVA_REQUER_POSTGRES();
    Programa arquivoLocal; // orva.mdb, with the company and protocol 7 already in it
    BancoPostgres banco;
    orva::install::createServerDatabase(banco.conexao());
    orva::db::Connection servidor;
    servidor.open(banco.conexao());
    preparaEmpresa(servidor);

    // Stored before under protocol 6: the file brings it again.
    const QString anterior = arquivoLocal.arquivo("anterior.txt", {notaNE("0000000040").linha()});
    sql::executa(arquivoLocal.program.connection(),
                 "Insert into Protocolo (Protocolo, Tipo_Protocolo, Tipo_Entrega, Exercicio, Inscricao, DtGeracao) "
                 "Values (6, 0, '1', '2015', '00000000000001', '2015-03-05')");
    Importador(arquivoLocal.program.connection()).ImportaArquivo(anterior, "6");
    Importador(servidor).ImportaArquivo(anterior, "6");

    // 150 records: a duplicate of the stored note, a duplicate of an earlier
    // record of the file in the same batch, a short line, a value that does
    // not convert and a text a COPY line must escape (tab, backslash).
    QStringList linhas;
    for (int i = 1; i <= 150; ++i) {
        const QString nf = QStringLiteral("%1").arg(i, 10, 10, QLatin1Char('0'));
        if (i == 40)
            linhas << notaNE("0000000040").linha();
        else if (i == 75)
            linhas << notaNP("0000000061").linha();
        else if (i == 90)
            linhas << "curta";
        else if (i == 110)
            linhas << notaNP(nf).com(10, "00000000000001,").linha();
        else if (i == 120)
            linhas << notaNE(nf).com(14, "00\t0\\00815").linha();
        else
            linhas << (i % 2 ? notaNP(nf) : notaNE(nf)).linha();
    }
    const QString notasTxt = arquivoLocal.arquivo("notas.txt", linhas);

    const Passagem local = importa(arquivoLocal.program.connection(), notasTxt, 100);
    const Passagem remoto = importa(servidor, notasTxt, 100);
    EXPECT_EQ(local.resultado.processados, 150);
    EXPECT_EQ(local.resultado.importados, 146);
    EXPECT_EQ(local.resultado.existentes, 2);
    EXPECT_EQ(remoto.resultado.importados, local.resultado.importados);
    EXPECT_EQ(remoto.resultado.erros, local.resultado.erros);
    EXPECT_EQ(remoto.resultado.existentes, local.resultado.existentes);
    EXPECT_EQ(remoto.erros, local.erros);
    ASSERT_EQ(local.erros.size(), 4);
    EXPECT_TRUE(local.erros.at(0).startsWith("40: ")) << local.erros.join('\n').toStdString();
    EXPECT_TRUE(local.erros.at(1).contains("(protocolo 7)")) << local.erros.at(1).toStdString();
    EXPECT_EQ(remoto.relatorio, local.relatorio);
    EXPECT_EQ(local.notas.size(), 147);
    EXPECT_EQ(remoto.notas, local.notas);
    // The stored note keeps the protocol it came in with.
    EXPECT_EQ(sql::valor(servidor, "Select Protocolo From Notas Where NF = '0000000040'"), "6");
    // No transaction is left open on the server.
    EXPECT_FALSE(servidor.inTransaction());

    // The same file again: every whole record refused on both, nothing added.
    const Passagem localDeNovo = importa(arquivoLocal.program.connection(), notasTxt, 100);
    const Passagem remotoDeNovo = importa(servidor, notasTxt, 100);
    EXPECT_EQ(localDeNovo.resultado.importados, 0);
    EXPECT_EQ(remotoDeNovo.relatorio, localDeNovo.relatorio);
    EXPECT_EQ(remotoDeNovo.notas, local.notas);

    // Cancelled halfway through a batch: the records read are written, on both.
    QStringList outras;
    for (int i = 0; i < 30; ++i)
        outras << notaNP(QStringLiteral("00000020%1").arg(i, 2, 10, QLatin1Char('0'))).linha();
    const QString outrasTxt = arquivoLocal.arquivo("outras.txt", outras);
    const Passagem localCancelado = importa(arquivoLocal.program.connection(), outrasTxt, 100, 12);
    const Passagem remotoCancelado = importa(servidor, outrasTxt, 100, 12);
    EXPECT_TRUE(remotoCancelado.resultado.cancelado);
    EXPECT_EQ(localCancelado.resultado.importados, 12);
    EXPECT_EQ(remotoCancelado.resultado.importados, 12);
    EXPECT_EQ(remotoCancelado.notas, localCancelado.notas);
}

TEST(ImportacaoEmLote, ALostServerStopsThePassAtTheFirstRecordNotWritten)
{
    ORVA_REQUER_POSTGRES();
    TempProgram programa;
    BancoPostgres banco;
    orva::install::createServerDatabase(banco.conexao());
    orva::db::Connection servidor;
    servidor.open(banco.conexao());
    preparaEmpresa(servidor);
    QStringList linhas;
    for (int i = 1; i <= 60; ++i)
        linhas << notaNP(QStringLiteral("%1").arg(i, 10, 10, QLatin1Char('0'))).linha();
    const QString arquivo = programa.path("notas.txt");
    gravaArquivo(arquivo, linhas);

    // The server ends this connection's session after line 45 is read: the
    // 40 committed records stay, the rest are not written.
    const QString pid = sql::valor(servidor, "Select pg_backend_pid()");
    Importador importador(servidor);
    importador.defineRegistrosPorTransacao(20);
    Acompanhamento a;
    a.andamento = [&](int processados, int) {
        if (processados == 45)
            BancoPostgres::executa("select pg_terminate_backend(" + pid + ")");
    };
    try {
        importador.ImportaArquivo(arquivo, "7", a);
        FAIL() << "the pass went on without its server";
    } catch (const orva::db::DatabaseError &e) {
        EXPECT_TRUE(e.message().contains("A importação parou na linha 41")) << e.message().toStdString();
        EXPECT_TRUE(e.doBanco()) << e.message().toStdString();
    }
    orva::db::Connection outra;
    outra.open(banco.conexao());
    EXPECT_EQ(sql::numero(outra, "Select Count(*) From Notas"), 40);
}
