#include "notas_teste.h"

#include "core/import/diagnostico.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

using namespace notas_teste;
using orva::importacao::diagnosticaConteudo;

namespace {

QByteArray linhas(const QStringList &registros, const QByteArray &fim = "\r\n", const QByteArray &sobra = {})
{
    QByteArray dados;
    for (const QString &r : registros)
        dados += orva::win1252::encode(r) + sobra + fim;
    return dados;
}

QStringList tres()
{
    return {notaNP("0000000001").linha(), notaNP("0000000002").linha(), notaNE("0000000003").linha()};
}

} // namespace

TEST(Diagnostico, EachWholeFileProblemGetsItsSentenceAndASoundFileNone)
{
    EXPECT_TRUE(diagnosticaConteudo(linhas(tres()), true).isEmpty());
    EXPECT_TRUE(diagnosticaConteudo(linhas(tres(), "\n"), true).isEmpty()) << "LF alone reads the same";

    const auto uma = [](const QByteArray &dados) {
        const QStringList frases = diagnosticaConteudo(dados, true);
        EXPECT_EQ(frases.size(), 1) << frases.join('|').toStdString();
        return frases.value(0);
    };
    EXPECT_TRUE(uma({}).startsWith("O arquivo está vazio"));
    EXPECT_TRUE(uma("\xEF\xBB\xBF" + linhas(tres())).contains("(BOM)"));
    EXPECT_TRUE(uma(linhas(tres(), "\r")).startsWith("As linhas do arquivo terminam só com CR"));
    EXPECT_TRUE(uma(linhas(tres(), "\r\n", "   ")).startsWith("Todas as linhas têm 119 caracteres em vez de 116, com "
                                                              "brancos no fim"));
    EXPECT_TRUE(uma(linhas(tres(), "\r\n", "XY")).startsWith("Todas as linhas têm 118 caracteres em vez de 116: o "
                                                           "arquivo parece seguir outro leiaute"));
    QByteArray binario = linhas(tres());
    binario[30] = '\0';
    EXPECT_TRUE(uma(binario).startsWith("O arquivo contém bytes que não são de texto"));
    // One odd line among many does not hide the pattern; a line cut by the
    // end of the sample is not counted.
    QStringList muitas;
    for (int i = 0; i < 20; ++i)
        muitas << notaNP(QString::number(i).rightJustified(10, '0')).linha() + "X";
    EXPECT_TRUE(uma(linhas(muitas) + "cabeçalho\r\n").startsWith("Quase todas as linhas têm 117"));
    EXPECT_TRUE(diagnosticaConteudo(linhas(tres()) + "000000", false).isEmpty());
}

TEST(OrvaCli, ValidateAndImportGiveTheReportAsJsonOrCsv)
{
    Programa p;
    const QString arquivo = p.arquivo(
        "notas.txt", {notaNP("0000000001").linha(),
                      notaNP("0000000002").com(7, "31").com(8, "02").com(10, "00000000000000A").linha(), "curta"});
    {
        QFile f(arquivo); // with a byte-order mark in front
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        const QByteArray dados = f.readAll();
        f.resize(0);
        f.write("\xEF\xBB\xBF" + dados);
    }
    dtmDados->ADOConnection.close();
    QProcess cli;
    const auto roda = [&](const QStringList &args) {
        cli.start(QStringLiteral(ORVA_DIST_DIR "/orva-cli" ORVA_EXE), QStringList{"--dir", p.program.dir.path()} + args,
                  QIODevice::ReadWrite | QIODevice::Text); // Windows ends its lines with CR LF
        EXPECT_TRUE(cli.waitForFinished(60000));
        return cli.exitCode();
    };

    EXPECT_EQ(roda({"validate", "--protocolo", "7", "--formato", "json", arquivo}), 1);
    QJsonParseError falha;
    const QJsonObject raiz = QJsonDocument::fromJson(cli.readAllStandardOutput(), &falha).object();
    ASSERT_EQ(falha.error, QJsonParseError::NoError) << falha.errorString().toStdString();
    const QJsonArray erros = raiz.value("erros").toArray();
    ASSERT_EQ(erros.size(), 4);
    // The first record, three bytes longer, is one error of the whole record.
    EXPECT_EQ(erros.at(0).toObject().value("linha").toInt(), 1);
    EXPECT_EQ(erros.at(0).toObject().value("campo").toString(), "registro");
    const QJsonObject data = erros.at(1).toObject();
    EXPECT_EQ(data.value("linha").toInt(), 2);
    EXPECT_EQ(data.value("nota_fiscal").toString(), "0000000002");
    EXPECT_EQ(data.value("campo").toString(), "data_emissao");
    EXPECT_EQ(data.value("inicio").toInt(), 38);
    EXPECT_EQ(data.value("texto").toString(), "31022015");
    EXPECT_EQ(data.value("mensagem").toString(), "31/02/2015 Data inválida");
    EXPECT_EQ(erros.at(2).toObject().value("campo").toString(), "valor_nota");
    EXPECT_EQ(erros.at(3).toObject().value("linha").toInt(), 3);
    EXPECT_TRUE(raiz.value("diagnostico").toArray().at(0).toString().contains("(BOM)"));
    EXPECT_EQ(raiz.value("resumo").toObject().value("erros").toInt(), 4);
    EXPECT_EQ(raiz.value("resumo").toObject().value("processados").toInt(), 3);

    EXPECT_EQ(roda({"validate", "--protocolo", "7", "--formato", "csv", arquivo}), 1);
    const QList<QByteArray> csv = cli.readAllStandardOutput().trimmed().split('\n');
    ASSERT_EQ(csv.size(), 5);
    EXPECT_EQ(csv.at(0), "linha,inscricao,nota_fiscal,tipo,campo,inicio,largura,mensagem,texto");
    EXPECT_TRUE(csv.at(2).startsWith("2,00000000000001,0000000002,NP,data_emissao,38,8,31/02/2015 Data inválida,31022015"))
        << csv.at(2).toStdString();

    EXPECT_EQ(roda({"validate", "--protocolo", "7", "--formato", "xml", arquivo}), 1);
    EXPECT_TRUE(QString::fromUtf8(cli.readAllStandardError()).contains("Formato desconhecido"));

    // A re-import in JSON: every record already in the database, and counted.
    const QString limpo = p.arquivo("limpo.txt", {notaNP("0000000005").linha(), notaNP("0000000006").linha()});
    EXPECT_EQ(roda({"import", "--protocolo", "7", limpo}), 0);
    EXPECT_EQ(roda({"import", "--protocolo", "7", "--formato", "json", limpo}), 2);
    const QJsonObject denovo = QJsonDocument::fromJson(cli.readAllStandardOutput()).object();
    EXPECT_EQ(denovo.value("resumo").toObject().value("ja_no_banco").toInt(), 2);
    EXPECT_EQ(denovo.value("resumo").toObject().value("etapa").toString(), "importacao");
    EXPECT_TRUE(denovo.value("erros").toArray().at(0).toObject().value("mensagem").toString().contains("já está no banco"));
}
