#include "comandos.h"

#include "export/exportacao.h"
#include "shell/dtmdados.h"
#include "shell/relogio.h"

#include <QTextStream>

namespace {

// Exports an open protocol as the export window does, answering "No" to
// sending it now and skipping the copy window. Success is printed only once
// the archive was read back and the protocol's mark committed.
int exporta(const QStringList &argumentos)
{
    const orva::cli::Opcoes opcoes(QStringLiteral("export"), argumentos, {QStringLiteral("protocolo")});
    if (!opcoes.valido())
        return orva::cli::falha(opcoes.erro());
    if (!opcoes.tem(QStringLiteral("protocolo")) || !opcoes.posicionais().isEmpty())
        return orva::cli::falha(QStringLiteral("Uso: orva-cli export --protocolo N"));

    TdtmDados dados;
    dados.DataModuleCreate();
    dtmDados = &dados;
    orva::exportacao::Exportador exportador(dados.ADOConnection);
    const auto exportacao = exportador.exporta(opcoes.valor(QStringLiteral("protocolo")), orva::hoje());
    if (exportacao.linhas == 0)
        return orva::cli::falha(orva::exportacao::mensagemSemRegistros());
    try {
        exportador.marcaTransmitido(exportacao.protocolo.numero, orva::hoje());
    } catch (const orva::Error &e) {
        return orva::cli::falha(orva::exportacao::mensagemFalhaMarca(e.message()));
    }
    QTextStream out(stdout);
    out << exportacao.protocolo.arquivo << Qt::endl << exportacao.arquivoCompactado << Qt::endl;
    return 0;
}

const orva::cli::Registro registro("export", "export --protocolo N         gera e compacta o arquivo de transmissão do protocolo N",
                                   exporta);

} // namespace
