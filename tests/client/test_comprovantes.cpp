#include "client/apoio.h"

#include "client/comprovantes.h"
#include "common/errors.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace orva::cliente;

namespace {

const QDateTime Quando(QDate(2026, 12, 8), QTime(9, 5, 7));
const QString Registro = "00000000000001" "2015" "0007" "01" "2" "08/12/2026" + QString("CAÇA LTDA").leftJustified(50)
                         + "000005" "0000000012345";

ChaveDeclaracao chave()
{
    ChaveDeclaracao c;
    c.protocolo = "0007";
    c.exercicio = "2015";
    c.inscricao = "00000000000001";
    c.codigoTipo = "01";
    c.codigoEntrega = "02";
    return c;
}

} // namespace

TEST(Comprovantes, StoredOnceWithTheLaterDateAndTypeOnlyFromTheMatchingKey)
{
    QTemporaryDir dir;
    const QString arquivo = GravaComprovante(dir.path(), Registro, chave(), Quando);
    EXPECT_EQ(arquivo, dir.filePath("0000000000000120150007.cmp"));
    const QByteArray primeiro = apoio::le(arquivo);
    EXPECT_TRUE(primeiro.startsWith("[CMP]\r\nInscricao=00000000000001\r\nReferencia=2015\r\nProtocolo=0007\r\n"
                                    "TipoProtocolo=Rateio\r\nRetificadora=SIM\r\nData=08/12/2026 09:05:07\r\n"
                                    "Razao=CA\xC7" "A LTDA"));
    // Stored again later, for another declaration key: one file, the later date, no type.
    ChaveDeclaracao outra = chave();
    outra.protocolo = "0008";
    GravaComprovante(dir.path(), Registro, outra, Quando.addSecs(60));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
    const QByteArray segundo = apoio::le(arquivo);
    EXPECT_TRUE(segundo.contains("TipoProtocolo=\r\nRetificadora=\r\nData=08/12/2026 09:06:07\r\n"));
    EXPECT_EQ(segundo.size(), primeiro.size() - 9); // "Rateio" and "SIM" gone

    // Short records give short values and names; an empty one gives ".cmp".
    const QString curto = GravaComprovante(dir.path(), "0000000000000120", chave(), Quando);
    EXPECT_EQ(QFileInfo(curto).fileName(), "0000000000000120.cmp");
    EXPECT_TRUE(apoio::le(curto).contains("Protocolo=\r\n"));
    EXPECT_TRUE(apoio::le(curto).contains("Razao=\r\nQtdRegistro=\r\nControle=\r\n"));
    EXPECT_EQ(QFileInfo(GravaComprovante(dir.path(), "", chave(), Quando)).fileName(), ".cmp");

    // Without the folder the store fails with a message naming the file.
    try {
        GravaComprovante(dir.filePath("nao-existe"), Registro, chave(), Quando);
        ADD_FAILURE() << "stored without a folder";
    } catch (const orva::Error &e) {
        EXPECT_TRUE(e.message().contains("0000000000000120150007.cmp"));
    }
}

TEST(Comprovantes, NamesFromTheServerCannotLeaveTheFolder)
{
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("recv"));
    for (const QString &registro : {QString("../0000000000012015000799"), QString("..\\..\\x00000000000000000"),
                                    QString("a/b00000000000000000000"), QString("0000000000\r\n00000000000"),
                                    QString("000000000000\x01" "2015000700")}) {
        EXPECT_THROW(GravaComprovante(dir.filePath("recv"), registro, chave(), Quando), orva::Error)
            << registro.toStdString();
    }
    EXPECT_TRUE(QDir(dir.filePath("recv")).isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"recv"});
    // A line break later in the record would add keys of its own.
    EXPECT_THROW(GravaComprovante(dir.filePath("recv"), Registro.left(40) + "\rControle=1", chave(), Quando), orva::Error);
}

TEST(Comprovantes, ListFiltersPrintAndDelete)
{
    QTemporaryDir dir;
    apoio::DialogosGravados dialogos;
    Cliente cliente(dir.path(), dialogos);
    QDir().mkpath(cliente.pastaRecibos());
    const QString novo = GravaComprovante(cliente.pastaRecibos(), Registro, chave(), Quando);
    GravaComprovante(cliente.pastaRecibos(), "0000001234567820140012", chave(), Quando);
    apoio::grava(cliente.pastaRecibos() + "/0000000000000920150003.old", "[CMP]\r\nInscricao=00000000000009\r\n");

    EXPECT_EQ(cliente.ListaComprovantes().linhas,
              (QStringList{"0000000000000120150007.cmp -- 07/2015", "0000001234567820140012.cmp -- 12/2014"}));
    cliente.defineFiltro(Filtro::Antigos);
    EXPECT_EQ(cliente.ListaComprovantes().arquivos, QStringList{"0000000000000920150003.old"});
    cliente.defineFiltro(Filtro::Todos);
    EXPECT_EQ(cliente.ListaComprovantes().arquivos.size(), 3);

    // Printing an old one: missing keys read "INVÁLIDO", the name stays.
    cliente.SelecionaComprovante(1);
    auto recibo = cliente.PreparaImpressao();
    ASSERT_TRUE(recibo);
    EXPECT_EQ(recibo->inscricao, "00000000000009");
    EXPECT_EQ(recibo->razao, "INVÁLIDO");
    cliente.ConcluiImpressao();
    EXPECT_TRUE(QFileInfo::exists(cliente.pastaRecibos() + "/0000000000000920150003.old"));

    // Printing a new one reads its record's type and flag and moves it to the old ones.
    cliente.SelecionaComprovante(0);
    recibo = cliente.PreparaImpressao();
    ASSERT_TRUE(recibo);
    EXPECT_EQ(recibo->razao, "CAÇA LTDA");
    EXPECT_EQ(recibo->controle, "0000000012345");
    EXPECT_EQ(cliente.chave().textoTipo, "Rateio");
    EXPECT_EQ(cliente.chave().textoRetificacao, "SIM");
    cliente.ConcluiImpressao();
    EXPECT_FALSE(QFileInfo::exists(novo));
    EXPECT_TRUE(QFileInfo::exists(cliente.pastaRecibos() + "/0000000000000120150007.old"));

    // With an ".old" of that name already there, the ".cmp" stays new.
    const QString denovo = GravaComprovante(cliente.pastaRecibos(), Registro, chave(), Quando);
    EXPECT_EQ(MarcaImpresso(denovo), denovo);
    EXPECT_TRUE(QFileInfo::exists(denovo));

    // Deleting, then printing the same selection.
    cliente.defineFiltro(Filtro::Novos);
    cliente.ListaComprovantes();
    cliente.SelecionaComprovante(0);
    cliente.ExcluiComprovante();
    EXPECT_EQ(cliente.comprovantes().arquivos, QStringList{"0000001234567820140012.cmp"});
    EXPECT_FALSE(cliente.PreparaImpressao());
    ASSERT_EQ(dialogos.tipos(), QStringList{"mensagem"});
    EXPECT_EQ(dialogos.itens[0].texto1, "Selecione um comprovante para a impressão.");
}

TEST(Comprovantes, OpenStoresATypedReceiptRecord)
{
    QTemporaryDir dir;
    apoio::DialogosGravados dialogos;
    Cliente cliente(dir.path(), dialogos);
    QDir().mkpath(cliente.pastaRecibos());
    const QString registro = "N" + Registro.mid(1) + QString(40, '0');
    ASSERT_GT(registro.size(), 140);
    cliente.defineOrigem(registro);
    EXPECT_EQ(cliente.Abre(), Cliente::Abertura::ComprovanteGravado);
    EXPECT_EQ(cliente.origem(), "a:\\");
    EXPECT_EQ(cliente.comprovantes().arquivos, QStringList{"N000000000000120150007.cmp"});
}
