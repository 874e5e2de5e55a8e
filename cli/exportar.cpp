#include "comandos.h"

#include "export/exportacao.h"
#include "maintenance/arquivador.h"
#include "shell/dtmdados.h"
#include "shell/relogio.h"

#include <QTextStream>

namespace {

// Exports an open protocol as the export window does, answering "No" to
// sending it now and skipping the copy window.
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
    const auto carregado = exportador.carregaProtocolo(opcoes.valor(QStringLiteral("protocolo")), orva::hoje());
    if (!carregado)
        return orva::cli::falha(orva::exportacao::mensagemProtocoloInexistente());
    const auto empresa = exportador.registroEmpresa(carregado->inscricao);
    if (!empresa)
        return orva::cli::falha(QStringLiteral("A empresa %1 do protocolo não está cadastrada. Cadastre-a antes de exportar.")
                                    .arg(carregado->inscricao));
    if (exportador.gravaArquivo(*carregado, *empresa).linhas == 0)
        return orva::cli::falha(orva::exportacao::mensagemSemRegistros());
    QString motivo;
    if (Funcoes::CompactaArquivo(carregado->arquivo, carregado->baseCompactado, &motivo))
        return orva::cli::falha(orva::exportacao::mensagemFalhaCompactacao()
                                + (motivo.isEmpty() ? QString() : QStringLiteral("\n") + motivo));
    exportador.marcaTransmitido(carregado->numero, orva::hoje());
    QTextStream out(stdout);
    out << carregado->arquivo << Qt::endl << carregado->baseCompactado << ".rar" << Qt::endl;
    return 0;
}

const orva::cli::Registro registro("export", "export --protocolo N         gera e compacta o arquivo de transmissão do protocolo N",
                                   exporta);

} // namespace
