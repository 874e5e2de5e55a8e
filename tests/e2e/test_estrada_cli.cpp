// The whole road with orva-cli alone, as an office's script runs it: a new
// program folder, a company, a protocol, its rows, the export, the delivery to
// the receiving server and the receipt fetched again; every answer is JSON.
#include "server/servidor_teste.h"
#include "support/orva_cli.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using orvacli::confere;
using orvacli::Resposta;

TEST(EstradaCli, FromAnEmptyFolderToTheReceiptWithoutWindows)
{
    QTemporaryDir pasta;
    const QString dir = pasta.path();
    const auto cli = [&](const QStringList &argumentos) { return orvacli::roda(dir, argumentos); };

    confere(cli({"init"}), "init", 0);
    ASSERT_TRUE(QFile::copy(QStringLiteral(ORVA_DIST_DIR "/rar" ORVA_EXE), QDir(dir).filePath("rar" ORVA_EXE)));

    // The codes a company takes come from the code tables.
    Resposta r = cli({"table", "list", "--tabela", "Municipios"});
    confere(r, "table", 0);
    ASSERT_GE(r.json.value("linhas").toArray().size(), 3);

    r = cli({"company", "save", "--inscricao", "124", "--cnpj", "12345678000195", "--razao-social", "Fazenda Boa Vista",
             "--cnae", "0111301", "--tipo-declaracao", "1", "--municipio", "110001"});
    confere(r, "company", 0);
    EXPECT_EQ(r.json.value("chave").toString(), "00000000000124");

    r = cli({"protocol", "new", "--inscricao", "124", "--tipo-entrega", "1", "--responsavel", "Ana Lima", "--crc", "0"});
    confere(r, "protocol", 0);
    const QString protocolo = r.json.value("chave").toString();
    ASSERT_EQ(protocolo, "1");

    confere(cli({"apportionment", "save", "--protocolo", protocolo, "--municipio", "110002", "--valor-entrada",
                 "1.234,56", "--valor-saida", "100,00"}),
            "apportionment", 0);
    confere(cli({"apportionment", "save", "--protocolo", protocolo, "--municipio", "110003", "--valor-entrada", "10,00",
                 "--valor-saida", "0,50"}),
            "apportionment", 0);
    // A refused row changes nothing and the road goes on.
    r = cli({"apportionment", "save", "--protocolo", protocolo, "--municipio", "110004", "--valor-entrada", "abc",
             "--valor-saida", "1,00"});
    confere(r, "apportionment", 1);
    EXPECT_FALSE(r.mensagens().isEmpty());
    r = cli({"apportionment", "list", "--protocolo", protocolo});
    confere(r, "apportionment", 0);
    EXPECT_EQ(r.json.value("linhas").toArray().size(), 2);

    r = cli({"export", "--protocolo", protocolo});
    confere(r, "export", 0);
    EXPECT_EQ(r.json.value("linhas").toInt(), 2);
    const QString arquivo = r.json.value("arquivo_compactado").toString();
    ASSERT_TRUE(QFileInfo(arquivo).isFile()) << arquivo.toStdString();

    QTemporaryDir dadosServidor;
    ServidorDatp servidor(dadosServidor.path());
    const QString porta = QString::number(servidor.porta);
    r = cli({"deliver", arquivo, "--port", porta});
    confere(r, "deliver", 0);
    const QString comprovante = r.json.value("comprovante").toString();
    ASSERT_TRUE(QFileInfo(comprovante).isFile()) << r.mensagens().toStdString();

    // The protocol is transmitted: no more rows go into it.
    r = cli({"protocol", "list"});
    confere(r, "protocol", 0);
    EXPECT_FALSE(r.json.value("linhas").toArray().first().toObject().value("data-transmissao").toString().isEmpty());
    confere(cli({"apportionment", "save", "--protocolo", protocolo, "--municipio", "110005", "--valor-entrada", "1,00",
                 "--valor-saida", "1,00"}),
            "apportionment", 1);

    ASSERT_TRUE(QFile::remove(comprovante));
    r = cli({"receipt", "--inscricao", "124", "--exercicio", "2015", "--protocolo", protocolo, "--port", porta});
    confere(r, "receipt", 0);
    EXPECT_TRUE(QFileInfo(comprovante).isFile()) << r.mensagens().toStdString();
}
