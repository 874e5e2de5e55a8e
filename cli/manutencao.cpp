#include "comandos.h"

#include "maintenance/manutencao.h"
#include "shell/dtmdados.h"

#include <QTextStream>

namespace {

// The database maintenance commands of the main menu, without the questions.
int executa(const QString &nome, const QStringList &argumentos,
            orva::manutencao::Resultado (*operacao)(TdtmDados &))
{
    if (!argumentos.isEmpty())
        return orva::cli::falha(QStringLiteral("O comando %1 não recebe argumentos.").arg(nome));
    TdtmDados dados;
    try {
        dados.DataModuleCreate();
    } catch (const orva::Error &) {
        // Restore may bring a database back where there is none.
        if (operacao != orva::manutencao::restauraBackup)
            throw;
    }
    dtmDados = &dados;
    const auto resultado = operacao(dados);
    dtmDados = nullptr;
    if (!resultado.ok)
        return orva::cli::falha(resultado.mensagem);
    QTextStream(stdout) << resultado.mensagem << Qt::endl;
    return 0;
}

int backup(const QStringList &a) { return executa(QStringLiteral("backup"), a, orva::manutencao::fazBackup); }
int restore(const QStringList &a) { return executa(QStringLiteral("restore"), a, orva::manutencao::restauraBackup); }
int compact(const QStringList &a) { return executa(QStringLiteral("compact"), a, orva::manutencao::compactaBanco); }

const orva::cli::Registro r1("backup", "backup                       guarda orva.mdb em Backup/bkpOrva.rar", backup);
const orva::cli::Registro r2("restore", "restore                      restaura orva.mdb de Backup/bkpOrva.rar (o atual fica como Orva_old.mdb)", restore);
const orva::cli::Registro r3("compact", "compact                      compacta e corrige orva.mdb", compact);

} // namespace
