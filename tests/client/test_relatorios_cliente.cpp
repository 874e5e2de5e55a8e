// The client's receipt report, read back from its PDF.
#include "apoio.h"
#include "support/pdf_text.h"

#include "client/comprovantes.h"
#include "client/janelas/frm_recibo.h"

#include <QPdfWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace orva::cliente;

TEST(RelatoriosCliente, ReceiptReportHoldsEveryCaptionAndValueOnLetterPaper)
{
    QTemporaryDir dir;
    // A receipt record as the server sends it: registration, exercise,
    // protocol, type "01", rectification "2", 10 characters, name, count, control.
    const QString registro = "00000012345678" "2015" "0007" "01" "2" "10/03/2015"
                             + QString("COOPERATIVA AGROPECUÁRIA DO VALE").leftJustified(50) + "000042" "0000000012345";
    ChaveDeclaracao chave;
    const QString arquivo = GravaComprovante(dir.path(), registro, chave, QDateTime(QDate(2015, 3, 10), QTime(9, 8, 7)));
    const Recibo recibo = LeComprovante(arquivo);
    AplicaAoImprimir(recibo, chave);

    Tfrm_recibo frm;
    frm.DefineRecibo(recibo, chave.textoTipo, chave.textoRetificacao);
    const QString pdf = dir.filePath("recibo.pdf");
    {
        QPdfWriter writer(pdf);
        EXPECT_EQ(frm.ImprimeRecibo(&writer, QDateTime(QDate(2015, 4, 1), QTime(8, 0, 0))), 1);
    }
    EXPECT_TRUE(pdfPageSize(pdf).contains("612 x 792")) << pdfPageSize(pdf).toStdString();
    const QString texto = simplified(pdfText(pdf));
    const QStringList ordem = {
        "01/04/2015 08:00:00", "RECIBO DE ENTREGA DA DECLARAÇÃO/ORVA",
        "IDENTIFICAÇÃO DO CONTRIBUINTE", "Inscrição Estadual: 00000012345678",
        "Nome/Razão Social: COOPERATIVA AGROPECUÁRIA DO VALE", "DADOS DA DECLARAÇÃO",
        "Exercicio de Referência: 2015", "Nr. Protocolo de Transmissão: 0007",
        "Tipo de Declaração apresentada pelo contribuinte: Rateio", "Retificadora: SIM",
        "recebida via Internet", "10/03/2015 09:08:07", "Número de controle: 0000000012345",
        "Quantidade de Registros Processados: 000042", "Versão: 1.0"};
    for (const QString &linha : Tfrm_recibo::linhasBanner())
        EXPECT_TRUE(texto.contains(linha)) << linha.toStdString();
    // Top to bottom in this order.
    qsizetype depois = 0;
    for (const QString &parte : ordem) {
        const qsizetype onde = texto.indexOf(parte, depois);
        EXPECT_GE(onde, 0) << parte.toStdString() << "\n" << texto.toStdString();
        if (onde >= 0)
            depois = onde + parte.size();
    }
}
