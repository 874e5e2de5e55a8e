// libFuzzer target: each input is the bytes of an import file. Both passes
// run over it, the validation against the test company's protocol and the
// import into a database of its own; neither may crash, hang or read out of
// bounds, whatever the bytes and the lengths of the lines.
#include "core/import/validacao.h"
#include "core/shell/dtmdados.h"
#include "ui/shell/funcoes.h"
#include "core/shell/instalacao.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

struct Ambiente {
    Ambiente()
    {
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
        orva::install::createProgramFolder(dir.path());
        Funcoes::DefineDiretorioSistema(dir.path());
        dados.DataModuleCreate();
        dtmDados = &dados;
        // Durability is no matter here; speed of each run is.
        dados.ADOConnection.executeScript(QStringLiteral("pragma synchronous = off; pragma journal_mode = memory"));
        dados.ADOConnection.executeScript(QStringLiteral(
            "Insert into Empresa Values ('00000000000001', 'EMPRESA', '12345678000195', '4711302', '0', '110001')"));
        arquivo = dir.filePath(QStringLiteral("entrada.txt"));
    }

    int argc = 1;
    char nome[16] = "fuzz_importacao";
    char *argv[2] = {nome, nullptr};
    QCoreApplication app{argc, argv};
    QTemporaryDir dir;
    TdtmDados dados;
    QString arquivo;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Ambiente ambiente;
    QFile f(ambiente.arquivo);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    f.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
    f.close();

    orva::importacao::Importador importador(ambiente.dados.ADOConnection);
    int relatadas = 0;
    orva::importacao::Acompanhamento a;
    a.relatorio = [&](const QString &) { ++relatadas; };
    const auto v = importador.ValidaArquivo(ambiente.arquivo, QStringLiteral("00000000000001"), QStringLiteral("2015"), a);
    const auto i = importador.ImportaArquivo(ambiente.arquivo, QStringLiteral("1"), a);
    // Every line is a record in both passes; a pass with errors reports them.
    if (v.processados != i.processados || i.importados + i.erros != i.processados || (v.erros > 0 && relatadas == 0))
        std::abort();
    ambiente.dados.ADOConnection.executeScript(QStringLiteral("Delete From Notas"));
    return 0;
}
