#include "entry/import/notas_teste.h"

#include "core/import/validacao.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <random>

using namespace notas_teste;
using orva::importacao::Acompanhamento;
using orva::importacao::Importador;
using orva::importacao::RegistroNota;
using orva::importacao::Verificacao;

namespace {

// Compares line by line, so a failure names the first line that differs.
void comparaLinhas(const QStringList &obtido, const QStringList &esperado)
{
    for (qsizetype i = 0; i < std::min(obtido.size(), esperado.size()); ++i)
        ASSERT_EQ(obtido.at(i), esperado.at(i)) << "line " << i + 1;
    ASSERT_EQ(obtido.size(), esperado.size());
}

// The report entries of a pass, split into the lines they show.
struct Relatorio {
    QStringList entradas;
    Acompanhamento acompanhamento()
    {
        Acompanhamento a;
        a.relatorio = [this](const QString &e) { entradas << e; };
        return a;
    }
    QStringList linhas() const { return entradas.isEmpty() ? QStringList() : entradas.join('\n').split('\n'); }
};

QStringList mensagens(Verificacao &v, const Registro &r)
{
    QStringList out;
    for (const QString &m : v.verifica(RegistroNota(r.linha())))
        if (!m.isEmpty())
            out << m;
    return out;
}

QStringList colunas(const QString &nf)
{
    orva::db::Query q(dtmDados->ADOConnection);
    q.setSql("Select INSCRICAO, EXERCICIO, MUNICIPIO, NF, DTA_EMIT_NF, TIPO, VALOR_NF, TIPO_EMITENTE, NOTA_ORIGEM, "
             "DTA_NF_ORIGEM, TIPO_EMITENTE_ORIGEM, EMITENTE_NOTA_ORIGEM, TIPO_NF_ORIGEM, VALOR_NF_ORIGEM, "
             "MUNICIPIO_ORIGEM, PROTOCOLO, OPERACAO, typeof(DTA_EMIT_NF), typeof(VALOR_NF), typeof(TIPO_EMITENTE), "
             "typeof(TIPO_EMITENTE_ORIGEM), typeof(PROTOCOLO) From Notas Where NF = '" + nf + "'");
    q.open();
    QStringList out;
    if (!q.eof())
        for (int i = 0; i < q.fieldCount(); ++i)
            out << q.field(i).asString();
    return out;
}

} // namespace

TEST(Validacao, ReportOfAFileWhereEveryCheckFailsEqualsTheHandWrittenOne)
{
    Programa p;
    Importador importador(p.program.connection());
    Relatorio relatorio;
    auto a = relatorio.acompanhamento();
    int total = -1;
    int andamentos = 0;
    a.inicio = [&](int t) { total = t; };
    a.andamento = [&](int, int) { ++andamentos; };
    const auto r = importador.ValidaArquivo(dados("notas_com_erros.txt"), "00000000000001", "2015", a);
    EXPECT_EQ(total, 30);
    EXPECT_EQ(andamentos, 31); // once per record and once at the end
    EXPECT_EQ(r.processados, 30);
    EXPECT_EQ(r.erros, 28);
    EXPECT_FALSE(r.cancelado);
    comparaLinhas(relatorio.linhas(), linhasDe(dados("relatorio_notas_com_erros.txt")));
    EXPECT_EQ(notas(), 0);

    // Cancelled: the pass stops after the record it was reading, without a summary.
    Relatorio parcial;
    auto c = parcial.acompanhamento();
    int lidos = 0;
    c.andamento = [&](int processados, int) { lidos = processados; };
    c.cancelado = [&] { return lidos == 4; };
    const auto cancelado = importador.ValidaArquivo(dados("notas_com_erros.txt"), "00000000000001", "2015", c);
    EXPECT_TRUE(cancelado.cancelado);
    EXPECT_EQ(cancelado.processados, 4);
    EXPECT_EQ(parcial.entradas.size(), 8); // the blocks of lines 2 and 3
    EXPECT_FALSE(parcial.entradas.join('\n').contains("Resultado"));
}

TEST(Validacao, DeclarantChecksLookTheCompanyUpOncePerPass)
{
    int buscas = 0;
    Verificacao v("00000000000001", "2015", [&](const QString &) {
        ++buscas;
        return QStringLiteral("EMPRESA ALFA");
    });
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(mensagens(v, notaNE("0000000001")).isEmpty());
    EXPECT_EQ(buscas, 1);

    // A registration with a wrong check digit, or with letters, is invalid and the pass goes on.
    Verificacao invalida("00000000000002", "2015", {});
    EXPECT_EQ(mensagens(invalida, notaNP("0000000001").com(1, "00000000000002")),
              QStringList{"00000000000002 Inscrição Inválida"});
    Verificacao letras("0000000000000A", "2015", {});
    EXPECT_EQ(mensagens(letras, notaNP("0000000001").com(1, "0000000000000A")),
              QStringList{"0000000000000A Inscrição Inválida"});
    Verificacao semEmpresa("00000000000001", "2015", [](const QString &) { return QStringLiteral("Não Cadastrado"); });
    EXPECT_EQ(mensagens(semEmpresa, notaNP("0000000001")),
              QStringList{"00000000000001 Empresa não Cadastrada no Orva"});

    // What the checks let through for other types than "NE" is left to the import.
    EXPECT_TRUE(mensagens(v, notaNP("0000000001").com(6, "X").com(18, "               ").com(11, "X")).isEmpty());
}

TEST(Importacao, WorkedExampleAndZeroOriginBlockImportAsTheirRows)
{
    Programa p;
    Importador importador(p.program.connection());
    const Registro exemplo = notaNE("0000004711").com(1, "00000012345678").com(3, "110020");
    ASSERT_TRUE(importador.ImportaRegistro(RegistroNota(exemplo.linha()), "7"));
    EXPECT_EQ(colunas("0000004711"),
              (QStringList{"00000012345678", "2015", "110020", "0000004711", "05/03/2015", "NE", "1500", "1",
                           "0000000815", "01/03/2015", "1", "00000087654321", "NP", "1500", "110020", "7", "I", "text",
                           "real", "integer", "integer", "integer"}));

    ASSERT_TRUE(importador.ImportaRegistro(RegistroNota(notaNP("0000000001").com(10, "000000001234567").linha()), "7"));
    const QStringList np = colunas("0000000001");
    ASSERT_EQ(np.size(), 22);
    EXPECT_EQ(np.at(6), "12345,67");
    EXPECT_EQ(np.at(9), "01/01/1900");
    EXPECT_EQ(np.at(13), "0");
    EXPECT_EQ(np.at(12), "00");

    // A value, a date or an emitter type that does not convert fails the record and writes nothing.
    for (const Registro &r : {notaNP("0000000002").com(18, "               "), notaNP("0000000003").com(6, "X"),
                              notaNP("0000000004").com(11, "X"), notaNP("0000000005").com(15, "32"),
                              notaNP("0000000006").com(7, "  ")})
        EXPECT_FALSE(importador.ImportaRegistro(RegistroNota(r.linha()), "7")) << r.linha().toStdString();
    EXPECT_FALSE(importador.ImportaRegistro(RegistroNota(exemplo.linha().left(60)), "7"));
    EXPECT_EQ(notas(), 2);
    // The same key again is refused by the table.
    EXPECT_FALSE(importador.ImportaRegistro(RegistroNota(exemplo.linha()), "7"));
    EXPECT_EQ(notas(), 2);
}

TEST(Importacao, EachRecordStandsAloneAcrossTransactionsAndCancelKeepsWhatWasWritten)
{
    Programa p;
    const QString arquivo = p.arquivo("notas.txt", {notaNP("0000000001").linha(), notaNP("0000000001").linha(),
                                                    notaNP("0000000003").linha(), "curta",
                                                    notaNE("0000000005").linha(), notaNP("0000000006").linha(),
                                                    notaNP("0000000007").com(10, "00000000000001,").linha()});
    Importador importador(p.program.connection());
    importador.defineRegistrosPorTransacao(2); // failures on both sides of a commit
    Relatorio relatorio;
    const auto r = importador.ImportaArquivo(arquivo, "7", relatorio.acompanhamento());
    EXPECT_EQ(r.processados, 7);
    EXPECT_EQ(r.importados, 4);
    EXPECT_EQ(r.erros, 3);
    const QString sep(48, '-');
    comparaLinhas(relatorio.linhas(),
                  {notaNP("0000000001").linha(), "------ Erros encotrados no registro acima ------",
                   "Problemas na importação da Nota Fiscal! A nota já está no banco de dados (protocolo 7).", sep,
                   "curta", "------ Erros encotrados no registro acima ------",
                   "Tamanho do Registro inválido, o registro deve ter 116 bytes e não 5", sep,
                   notaNP("0000000007").com(10, "00000000000001,").linha(),
                   "------ Erros encotrados no registro acima ------",
                   "Problemas na importação da Nota Fiscal! Um valor do registro não pôde ser convertido.", sep,
                   "------ Resultado da Importação dos Dados ------", "Registros Processados.: 7",
                   "Qtde. Total de Erros..: 3", "Já no Banco de Dados..: 1", sep});
    EXPECT_EQ(r.existentes, 1);
    EXPECT_EQ(conta("Select Count(*) From Notas Where Protocolo = 7 And Operacao = 'I'"), 4);
    // No transaction is left open: another connection can write at once.
    {
        orva::db::Connection outra;
        outra.open(p.program.path("orva.mdb"));
        outra.executeScript("begin immediate; rollback");
    }

    // The same file again duplicates nothing: every full record is refused.
    Relatorio denovo;
    const auto again = importador.ImportaArquivo(arquivo, "7", denovo.acompanhamento());
    EXPECT_EQ(again.importados, 0);
    EXPECT_EQ(again.erros, 7);
    // Each says why: already in the database, under the protocol it came in with.
    EXPECT_EQ(denovo.entradas.filter("Problemas na importação da Nota Fiscal! A nota já está no banco de dados "
                                     "(protocolo 7).").size(),
              5);
    EXPECT_EQ(again.existentes, 5);
    EXPECT_TRUE(denovo.entradas.contains("Já no Banco de Dados..: 5"));
    EXPECT_EQ(notas(), 4);

    // Cancel: looked at before each line is read; what was written stays.
    QStringList muitas;
    for (int i = 100; i < 110; ++i)
        muitas << notaNP(QStringLiteral("00000001%1").arg(i).right(10)).linha();
    const QString grande = p.arquivo("muitas.txt", muitas);
    Acompanhamento a;
    int lidos = 0;
    a.andamento = [&](int processados, int) { lidos = processados; };
    a.cancelado = [&] { return lidos == 4; };
    const auto cancelado = importador.ImportaArquivo(grande, "7", a);
    EXPECT_TRUE(cancelado.cancelado);
    EXPECT_EQ(cancelado.importados, 4);
    EXPECT_EQ(notas(), 8);
}

TEST(Importacao, RandomLinesNeverBreakEitherPass)
{
    Programa p;
    std::mt19937 rng(20150305);
    const auto sorteia = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const QByteArray valida = orva::win1252::encode(notaNE("0000000001").linha());
    QByteArray conteudo;
    const int linhas = 3000;
    for (int i = 0; i < linhas; ++i) {
        QByteArray linha;
        switch (sorteia(3)) {
        case 0: // any bytes, any length
            linha.resize(sorteia(300));
            break;
        case 1: // any bytes, the right length
            linha.resize(116);
            break;
        default: // a good record with a few bytes changed
            linha = valida;
            break;
        }
        const bool mutacao = linha.size() == 116 && linha == valida;
        if (!mutacao)
            for (char &c : linha)
                c = static_cast<char>(sorteia(256));
        else
            for (int k = 1 + sorteia(4); k > 0; --k)
                linha[sorteia(116)] = static_cast<char>(sorteia(256));
        linha.replace('\n', '0'); // one line each
        if (linha.endsWith('\r'))
            linha.chop(1);
        conteudo += linha + "\r\n";
    }
    const QString arquivo = p.program.path("aleatorio.txt");
    QFile f(arquivo);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(conteudo);
    f.close();

    Importador importador(p.program.connection());
    Relatorio validacao;
    const auto v = importador.ValidaArquivo(arquivo, "00000000000001", "2015", validacao.acompanhamento());
    EXPECT_EQ(v.processados, linhas);
    EXPECT_GT(v.erros, 0);
    const auto i = importador.ImportaArquivo(arquivo, "7");
    EXPECT_EQ(i.processados, linhas);
    EXPECT_EQ(i.importados + i.erros, linhas);
    EXPECT_EQ(notas(), i.importados);
}

TEST(OrvaCli, ValidateAndImportPrintTheReportAndTellTheOutcomeByExitStatus)
{
    Programa p;
    const QString limpo =
        p.arquivo("limpo.txt", {notaNP("0000000001").linha(), notaNE("0000000002").linha(), notaNP("0000000003").linha()});
    dtmDados->ADOConnection.close(); // the commands open the database themselves
    QProcess cli;
    const auto roda = [&](const QStringList &args) {
        cli.start(QStringLiteral(ORVA_DIST_DIR "/orva-cli" ORVA_EXE), QStringList{"--dir", p.program.dir.path()} + args,
                  QIODevice::ReadWrite | QIODevice::Text); // Windows ends its lines with CR LF
        EXPECT_TRUE(cli.waitForFinished(60000));
        return cli.exitCode();
    };
    const auto saida = [&] {
        QString texto = QString::fromUtf8(cli.readAllStandardOutput());
        if (texto.endsWith('\n'))
            texto.chop(1);
        return texto.isEmpty() ? QStringList() : texto.split('\n');
    };

    EXPECT_EQ(roda({"validate", "--protocolo", "7", dados("notas_com_erros.txt")}), 1);
    comparaLinhas(saida(), linhasDe(dados("relatorio_notas_com_erros.txt")));
    EXPECT_EQ(roda({"import", "--protocolo", "7", dados("notas_com_erros.txt")}), 1);
    EXPECT_EQ(saida().size(), linhasDe(dados("relatorio_notas_com_erros.txt")).size());

    EXPECT_EQ(roda({"validate", "--protocolo", "7", limpo}), 0);
    EXPECT_TRUE(saida().isEmpty());
    EXPECT_EQ(roda({"import", "--protocolo", "7", limpo}), 0) << cli.readAllStandardError().toStdString();
    EXPECT_TRUE(saida().isEmpty());
    EXPECT_TRUE(QString::fromUtf8(cli.readAllStandardError()).contains("Dados importados sem erros"));
    // Again: every record is refused, nothing is duplicated.
    EXPECT_EQ(roda({"import", "--protocolo", "7", limpo}), 2);
    const QStringList relatorio = saida();
    EXPECT_EQ(relatorio.filter("Problemas na importação da Nota Fiscal! A nota já está no banco de dados").size(), 3);
    EXPECT_EQ(relatorio.mid(relatorio.size() - 4, 3), (QStringList{"Registros Processados.: 3",
                                                                   "Qtde. Total de Erros..: 3",
                                                                   "Já no Banco de Dados..: 3"}));

    // Protocols that take no import, a declarant of the other type, a missing file.
    for (const char *numero : {"8", "9", "99", "x"})
        EXPECT_EQ(roda({"validate", "--protocolo", numero, limpo}), 1) << numero;
    EXPECT_EQ(roda({"import", "--protocolo", "10", limpo}), 1);
    EXPECT_TRUE(QString::fromUtf8(cli.readAllStandardError()).contains("00000000000002"));
    EXPECT_EQ(roda({"validate", "--protocolo", "7", p.program.path("nada.txt")}), 1);
    EXPECT_FALSE(cli.readAllStandardError().isEmpty());

    dtmDados->ADOConnection.reopen();
    EXPECT_EQ(notas(), 3);
}
