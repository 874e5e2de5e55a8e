#include "comandos.h"
#include "resposta.h"

#include "core/maintenance/manutencao.h"
#include "core/shell/dtmdados.h"

namespace {

using orva::manutencao::Operacao;

// The database maintenance commands of the main menu, without the questions.
int executa(const QString &nome, const QStringList &argumentos, Operacao operacao)
{
    if (!argumentos.isEmpty())
        return orva::cli::falha(QStringLiteral("O comando %1 não recebe argumentos.").arg(nome));
    TdtmDados dados;
    try {
        dados.DataModuleCreate();
    } catch (const orva::Error &) {
        // Restore may bring a database back where there is none.
        if (operacao != Operacao::Restauracao)
            throw;
    }
    const auto resultado = orva::manutencao::executa(operacao, dados);
    if (!resultado->ok)
        return orva::cli::falha(resultado->mensagem);
    orva::cli::Resposta::atual().linha(resultado->mensagem);
    orva::cli::Resposta::atual().resultado(QStringLiteral("mensagem"), resultado->mensagem);
    return 0;
}

int backup(const QStringList &a) { return executa(QStringLiteral("backup"), a, Operacao::Backup); }
int restore(const QStringList &a) { return executa(QStringLiteral("restore"), a, Operacao::Restauracao); }
int compact(const QStringList &a) { return executa(QStringLiteral("compact"), a, Operacao::Compactacao); }

const orva::cli::Registro r1("backup", "backup                       guarda orva.mdb (ou os dados do banco no servidor) em Backup/bkpOrva.rar", backup);
const orva::cli::Registro r2("restore", "restore                      restaura orva.mdb (ou o banco no servidor) de Backup/bkpOrva.rar (o atual fica como Orva_old.mdb)", restore);
const orva::cli::Registro r3("compact", "compact                      compacta e corrige orva.mdb (no servidor: VACUUM ANALYZE)", compact);

} // namespace
