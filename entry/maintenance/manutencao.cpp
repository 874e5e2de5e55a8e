#include "manutencao.h"

#include "arquivador.h"
#include "common/errors.h"
#include "common/files.h"
#include "common/prompts.h"
#include "shell/db/connection.h"
#include "shell/db/sqltexto.h"
#include "shell/dtmdados.h"
#include "shell/funcoes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

namespace orva::manutencao {
namespace {

QString pasta() { return Funcoes::DiretorioSistema(); }

// Replaces `destino` by `origem` in one step (the same file system).
bool substitui(const QString &origem, const QString &destino)
{
    return std::rename(QFile::encodeName(origem).constData(), QFile::encodeName(destino).constData()) == 0;
}

// Opens the connection again; a failure is part of the message.
QString reabre(TdtmDados &dados)
{
    try {
        dados.ADOConnection.open(TdtmDados::ArquivoBanco());
        return QString();
    } catch (const Error &e) {
        return QStringLiteral("\n") + e.message();
    }
}

const QString kBackup = QStringLiteral("Backup/bkpOrva");

} // namespace

Resultado compactaBanco(TdtmDados &dados)
{
    const QString banco = TdtmDados::ArquivoBanco();
    const QString compactado = QDir(pasta()).filePath(QStringLiteral("Orva2.mdb"));
    dados.ADOConnection.close();
    QString erro;
    try {
        if (!QFileInfo(banco).isFile())
            throw Error(QStringLiteral("Banco de dados não encontrado: %1").arg(banco));
        QFile::remove(compactado);
        {
            db::Connection origem;
            origem.open(banco);
            origem.executeScript(QStringLiteral("vacuum into ") + db::textoSql(compactado));
        }
        // The compacted copy is checked before it takes the database's place.
        {
            db::Connection copia;
            copia.open(compactado);
            copia.executeScript(QStringLiteral("pragma quick_check"));
        }
        if (!substitui(compactado, banco))
            throw Error(QStringLiteral("Não foi possível substituir %1 pela cópia compactada.").arg(banco));
    } catch (const Error &e) {
        erro = e.message();
    }
    QFile::remove(compactado);
    const QString falhaReabrir = reabre(dados);
    if (!erro.isEmpty())
        return {false, QStringLiteral("Erro durante a compactação do arquivo de Banco de Dados!\n") + erro + falhaReabrir};
    if (!falhaReabrir.isEmpty())
        return {false, QStringLiteral("Erro durante a compactação do arquivo de Banco de Dados!") + falhaReabrir};
    return {true, QStringLiteral("Compactação do arquivo de Banco de Dados concluida!")};
}

Resultado fazBackup(TdtmDados &dados)
{
    const QString banco = TdtmDados::ArquivoBanco();
    if (!QFileInfo(banco).isFile())
        return {false, QStringLiteral("Banco de dados não encontrado: %1\nNão há o que copiar.").arg(banco)};
    QDir(pasta()).mkpath(QStringLiteral("Backup"));
    dados.ADOConnection.close();
    QString motivo;
    const bool falhou = Funcoes::CompactaArquivo(banco, QDir(pasta()).filePath(kBackup), &motivo);
    const QString falhaReabrir = reabre(dados);
    if (falhou)
        return {false, QStringLiteral("A cópia de segurança não foi gerada.\n") + motivo + falhaReabrir};
    return {true, QStringLiteral("Copia de Segurança gerada com sucesso!") + falhaReabrir};
}

Resultado restauraBackup(TdtmDados &dados)
{
    const QString arquivo = QDir(pasta()).filePath(kBackup + QStringLiteral(".rar"));
    if (!QFileInfo(arquivo).isFile())
        return {false, QStringLiteral("Não existe cópia de segurança em %1.\n"
                                      "Faça uma cópia de segurança antes de restaurar. O banco de dados não foi alterado.")
                           .arg(arquivo)};

    // Extracted beside the program first, so nothing is touched until the copy is known good.
    QTemporaryDir temporaria(QDir(pasta()).filePath(QStringLiteral("Backup/restaura-XXXXXX")));
    if (!temporaria.isValid())
        return {false, QStringLiteral("Não foi possível preparar a restauração: %1").arg(temporaria.errorString())};
    QString motivo;
    if (Funcoes::DescompactaArquivo(arquivo, temporaria.path(), &motivo))
        return {false, QStringLiteral("A cópia de segurança não pôde ser lida. O banco de dados não foi alterado.\n") + motivo};
    const QString restaurado = files::findIgnoringCase(temporaria.path(), QStringLiteral("orva.mdb"));
    try {
        db::Connection teste;
        teste.open(restaurado);
        teste.executeScript(QStringLiteral("pragma quick_check"));
    } catch (const Error &e) {
        return {false, QStringLiteral("A cópia de segurança não contém um banco de dados válido. "
                                      "O banco de dados não foi alterado.\n")
                           + e.message()};
    }

    const QString banco = TdtmDados::ArquivoBanco();
    const QString antigo = QDir(pasta()).filePath(QStringLiteral("Orva_old.mdb"));
    const QString destino = QDir(pasta()).filePath(QStringLiteral("orva.mdb"));
    dados.ADOConnection.close();
    const bool haviaBanco = QFileInfo(banco).isFile();
    if (haviaBanco && !substitui(banco, antigo)) {
        const QString falhaReabrir = reabre(dados);
        return {false, QStringLiteral("Não foi possível guardar o banco atual como %1. Nada foi restaurado.").arg(antigo)
                           + falhaReabrir};
    }
    if (!substitui(restaurado, destino)) {
        if (haviaBanco)
            substitui(antigo, banco); // the previous database goes back
        const QString falhaReabrir = reabre(dados);
        return {false, QStringLiteral("Não foi possível colocar a cópia de segurança no lugar do banco de dados. "
                                      "O banco anterior foi mantido.")
                           + falhaReabrir};
    }
    const QString falhaReabrir = reabre(dados);
    if (!falhaReabrir.isEmpty()) {
        if (haviaBanco)
            substitui(antigo, destino);
        return {false, QStringLiteral("A cópia restaurada não pôde ser aberta; o banco anterior foi mantido.")
                           + falhaReabrir + reabre(dados)};
    }
    return {true, QStringLiteral("Restauração da Copia de Segurança realizada com sucesso!")};
}

} // namespace orva::manutencao

namespace Funcoes {

void CompactaBanco()
{
    if (!dtmDados)
        return;
    const auto resultado = orva::manutencao::compactaBanco(*dtmDados);
    if (resultado.ok)
        orva::prompts().information(resultado.mensagem);
    else
        orva::prompts().error(resultado.mensagem);
}

} // namespace Funcoes
