#include "manutencao.h"

#include "arquivador.h"
#include "common/errors.h"
#include "common/files.h"
#include "common/plataforma/arquivos.h"
#include "common/plataforma/gravacao.h"
#include "common/plataforma/processos.h"
#include "core/db/connection.h"
#include "core/db/copiabanco.h"
#include "core/db/traducao.h"
#include "core/shell/dtmdados.h"
#include "core/shell/funcoesbase.h"
#include "core/shell/instalacao.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>

namespace orva::manutencao {
namespace {

QString pasta() { return Funcoes::DiretorioSistema(); }

QString caminho(const QString &nome) { return QDir(pasta()).filePath(nome); }

// Opens the connection again; a failure is part of the message.
QString reabre(TdtmDados &dados)
{
    try {
        dados.ADOConnection.open(TdtmDados::OrigemBanco());
        return QString();
    } catch (const Error &e) {
        return QStringLiteral("\n") + e.message();
    }
}

// The data module's connection stays closed while an operation runs (as the
// menu commands always did) and is opened again however the operation ends.
class ConexaoFechada {
public:
    explicit ConexaoFechada(TdtmDados &dados) : m_dados(dados) { m_dados.ADOConnection.close(); }
    ~ConexaoFechada() { reabre(); }
    QString reabre()
    {
        if (m_reaberta)
            return m_falha;
        m_reaberta = true;
        m_falha = manutencao::reabre(m_dados);
        return m_falha;
    }

private:
    TdtmDados &m_dados;
    bool m_reaberta = false;
    QString m_falha;
};

const QString kBackup = QStringLiteral("Backup/bkpOrva");

// Temporary folders and files carry the process number, so a later run can
// tell the leftovers of a run that died from those of one still going.
QString prefixoTemporario(const QString &tipo)
{
    return tipo + QLatin1Char('-') + QString::number(QCoreApplication::applicationPid()) + QLatin1Char('-');
}

// What runs of `tipo` left in `pasta` when they were interrupted (those of a
// run still going are left out).
QFileInfoList sobras(const QString &pastaSobras, const QString &tipo)
{
    QFileInfoList mortas;
    const QFileInfoList entradas = QDir(pastaSobras).entryInfoList(
        {tipo + QStringLiteral("-*")}, QDir::Dirs | QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo &entrada : entradas) {
        const QStringList partes = entrada.fileName().split(QLatin1Char('-'));
        bool numero = false;
        const qint64 pid = partes.value(1).toLongLong(&numero);
        if (!(numero && partes.size() > 2 && plataforma::processoVivo(pid)))
            mortas << entrada;
    }
    return mortas;
}

void removeSobras(const QString &pastaSobras, const QString &tipo)
{
    for (const QFileInfo &entrada : sobras(pastaSobras, tipo)) {
        if (entrada.isDir() && !entrada.isSymLink())
            QDir(entrada.filePath()).removeRecursively();
        else
            QFile::remove(entrada.filePath());
    }
}

// A free name for an older Orva_old.mdb, after the day it was written.
QString nomeParaAntigo(const QString &antigo)
{
    const QString data = QFileInfo(antigo).lastModified().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString nome = caminho(QStringLiteral("Orva_old-%1.mdb").arg(data));
    for (int n = 2; QFileInfo::exists(nome); ++n)
        nome = caminho(QStringLiteral("Orva_old-%1-%2.mdb").arg(data).arg(n));
    return nome;
}

// What restores that died left beside the database. The snapshot of a
// replaced database may be the only copy of its rows: it is kept as
// Orva_old-<date>.mdb, never deleted. Anything else of theirs goes.
void recuperaSobrasDaRestauracao()
{
    for (const QFileInfo &entrada : sobras(pasta(), QStringLiteral(".restaura"))) {
        if (entrada.isFile() && entrada.fileName().endsWith(QStringLiteral("-Orva_old.mdb"), Qt::CaseInsensitive)
            && entrada.size() > 0)
            plataforma::substitui(entrada.filePath(), nomeParaAntigo(entrada.filePath()));
        else if (entrada.isFile())
            QFile::remove(entrada.filePath());
    }
}

// Renames in one step, replacing a file already called `destino`.
bool renomeia(const QString &origem, const QString &destino) { return plataforma::substitui(origem, destino); }

// A new database file written by SQLite's online backup from `origem`.
void copiaPara(db::Connection &origem, const QString &destino)
{
    QFile::remove(destino);
    const int fd = plataforma::criaExclusivo(destino);
    if (fd < 0)
        throw Error(QStringLiteral("Não foi possível criar %1: %2")
                        .arg(destino, files::descreveFalha(QString::fromLocal8Bit(std::strerror(errno)))));
    plataforma::fecha(fd);
    db::Connection copia;
    copia.open(destino);
    origem.copyTo(copia);
}

// A new database file at `destino` holding a snapshot of the server's rows.
void copiaDoServidor(db::Connection &servidor, const QString &destino)
{
    QFile::remove(destino);
    install::createDatabaseFile(destino);
    db::Connection copia;
    copia.open(destino);
    db::copiaBanco(servidor, copia);
}

// Puts the replaced database's copy (`antigoNovo`) in place as Orva_old.mdb;
// returns what the user must know when it could not be.
QString guardaAntigo(const QString &antigoNovo)
{
    const QString antigo = caminho(QStringLiteral("Orva_old.mdb"));
    if (!QFileInfo::exists(antigoNovo))
        return QString();
    plataforma::sincronizaArquivo(antigoNovo);
    // An Orva_old.mdb of an earlier restore is kept under a name of its own.
    if (QFileInfo::exists(antigo) && !renomeia(antigo, nomeParaAntigo(antigo)))
        return QStringLiteral("\nO banco anterior ficou em %1, pois %2 não pôde ser renomeado.").arg(antigoNovo, antigo);
    if (!renomeia(antigoNovo, antigo))
        return QStringLiteral("\nO banco anterior ficou em %1.").arg(antigoNovo);
    return QString();
}

// How a restore ends: after a failure (`falha`) the copy of the replaced
// database goes; after success it becomes Orva_old.mdb. The data module's
// connection opens again either way.
Resultado fimDaRestauracao(ConexaoFechada &fechada, const QString &antigoNovo, const QString &falha)
{
    if (!falha.isEmpty()) {
        QFile::remove(antigoNovo);
        return {false, QStringLiteral("A cópia de segurança não foi restaurada. O banco de dados não foi alterado.\n")
                           + falha + fechada.reabre()};
    }
    const QString aviso = guardaAntigo(antigoNovo);
    const QString falhaReabrir = fechada.reabre();
    if (!falhaReabrir.isEmpty())
        return {false, QStringLiteral("A cópia foi restaurada, mas o banco de dados não pôde ser aberto.") + aviso
                           + falhaReabrir};
    return {true, QStringLiteral("Restauração da Copia de Segurança realizada com sucesso!") + aviso};
}

// The names of the tables a restore replaces, for the server's lock.
QString tabelasSeparadas()
{
    QStringList nomes;
    for (const QString &t : db::tabelasDoBanco())
        nomes << t.toLower();
    return nomes.join(QStringLiteral(", "));
}

// The restore into a server database: inside one transaction, its tables
// are locked against writers first, a snapshot of their rows becomes the
// new Orva_old.mdb, and then the rows are replaced by the copy's. What
// another workstation committed before is in the snapshot; what it writes
// afterwards waits and lands in the restored rows.
Resultado restauraNoServidor(TdtmDados &dados, db::Connection &copia)
{
    ConexaoFechada fechada(dados);
    const QString antigoNovo = caminho(prefixoTemporario(QStringLiteral(".restaura")) + QStringLiteral("Orva_old.mdb"));
    try {
        db::Connection servidor;
        servidor.open(TdtmDados::OrigemBanco());
        TdtmDados::VerificaBanco(servidor);
        db::copiaBanco(copia, servidor, db::tabelasDoBanco(), [&] {
            servidor.executeScript(QStringLiteral("lock table %1 in exclusive mode").arg(tabelasSeparadas()));
            db::Connection leitor;
            leitor.open(TdtmDados::OrigemBanco());
            copiaDoServidor(leitor, antigoNovo);
            plataforma::sincronizaArquivo(antigoNovo);
        });
    } catch (const Error &e) {
        return fimDaRestauracao(fechada, antigoNovo, e.message());
    }
    return fimDaRestauracao(fechada, antigoNovo, QString());
}

bool noServidor() { return db::ehServidor(TdtmDados::OrigemBanco()); }

} // namespace

Resultado compactaBanco(TdtmDados &dados)
{
    const QString banco = TdtmDados::OrigemBanco();
    ConexaoFechada fechada(dados);
    // Older versions compacted into Orva2.mdb beside the database; a copy
    // left by one that was interrupted is of no use.
    QFile::remove(caminho(QStringLiteral("Orva2.mdb")));
    QString erro;
    try {
        // In place, under the database's own locks: another program that has
        // orva.mdb open keeps working on the same file.
        db::Connection conexao;
        conexao.open(banco);
        TdtmDados::VerificaBanco(conexao);
        // On a server: space of deleted rows reused and the planner's
        // statistics renewed; it runs outside any transaction.
        conexao.executeScript(conexao.servidor() ? QStringLiteral("vacuum analyze") : QStringLiteral("vacuum"));
    } catch (const Error &e) {
        erro = e.message();
    }
    const QString falhaReabrir = fechada.reabre();
    if (!erro.isEmpty())
        return {false, QStringLiteral("Erro durante a compactação do arquivo de Banco de Dados!\n") + erro + falhaReabrir};
    if (!falhaReabrir.isEmpty())
        return {false, QStringLiteral("Erro durante a compactação do arquivo de Banco de Dados!") + falhaReabrir};
    return {true, QStringLiteral("Compactação do arquivo de Banco de Dados concluida!")};
}

Resultado fazBackup(TdtmDados &dados)
{
    const QString banco = TdtmDados::OrigemBanco();
    if (!noServidor() && !QFileInfo(banco).isFile())
        return {false, QStringLiteral("Banco de dados não encontrado: %1\nNão há o que copiar.").arg(banco)};
    const QString pastaBackup = caminho(QStringLiteral("Backup"));
    QDir().mkpath(pastaBackup);
    removeSobras(pastaBackup, QStringLiteral("copia"));
    ConexaoFechada fechada(dados);
    const QString naoGerada = QStringLiteral("A cópia de segurança não foi gerada. A cópia anterior, se houver, foi mantida.\n");

    // A consistent copy of the database as it is now, checked before it is packed.
    QTemporaryDir temporaria(QDir(pastaBackup).filePath(prefixoTemporario(QStringLiteral("copia")) + QStringLiteral("XXXXXX")));
    if (!temporaria.isValid())
        return {false, naoGerada + files::descreveFalha(temporaria.errorString()) + fechada.reabre()};
    const QString copia = QDir(temporaria.path()).filePath(QStringLiteral("orva.mdb"));
    try {
        db::Connection origem;
        origem.open(banco);
        // From a server, a file made by the copy: the backup restores on either engine.
        if (origem.servidor())
            copiaDoServidor(origem, copia);
        else
            copiaPara(origem, copia);
        db::Connection conferida;
        conferida.open(copia);
        TdtmDados::VerificaBanco(conferida);
    } catch (const Error &e) {
        return {false, naoGerada + e.message() + fechada.reabre()};
    }
    QString motivo;
    const bool falhou = Funcoes::CompactaArquivo(copia, QDir(pasta()).filePath(kBackup), &motivo);
    const QString falhaReabrir = fechada.reabre();
    if (falhou)
        return {false, naoGerada + motivo + falhaReabrir};
    return {true, QStringLiteral("Copia de Segurança gerada com sucesso!") + falhaReabrir};
}

Resultado restauraBackup(TdtmDados &dados)
{
    const QString arquivo = QDir(pasta()).filePath(kBackup + QStringLiteral(".rar"));
    if (!QFileInfo(arquivo).isFile())
        return {false, QStringLiteral("Não existe cópia de segurança em %1.\n"
                                      "Faça uma cópia de segurança antes de restaurar. O banco de dados não foi alterado.")
                           .arg(arquivo)};
    const QString pastaBackup = caminho(QStringLiteral("Backup"));
    removeSobras(pastaBackup, QStringLiteral("restaura"));
    recuperaSobrasDaRestauracao();
    const QString naoAlterado = QStringLiteral("O banco de dados não foi alterado.");

    // Extracted and checked first, so nothing is touched unless the copy is good.
    QTemporaryDir temporaria(QDir(pastaBackup).filePath(prefixoTemporario(QStringLiteral("restaura")) + QStringLiteral("XXXXXX")));
    if (!temporaria.isValid())
        return {false, QStringLiteral("Não foi possível preparar a restauração: %1\n")
                           .arg(files::descreveFalha(temporaria.errorString()))
                           + naoAlterado};
    // The archiver only says it failed: a disk without room for the copy is
    // told as such, before and after it runs.
    const qint64 necessario = Funcoes::TamanhoExtraido(arquivo);
    const auto semEspaco = [&] {
        const QStorageInfo disco(pastaBackup);
        return necessario > 0 && disco.isValid() && disco.bytesAvailable() >= 0 && disco.bytesAvailable() < necessario;
    };
    const auto discoCheio = [&] {
        return Resultado{false, QStringLiteral("O disco está cheio: a cópia de segurança precisa de %1 KB livres em %2 "
                                               "para ser lida, e há %3 KB. Libere espaço e tente novamente. ")
                                    .arg((necessario + 1023) / 1024)
                                    .arg(QDir::toNativeSeparators(pastaBackup))
                                    .arg(QStorageInfo(pastaBackup).bytesAvailable() / 1024)
                                    + naoAlterado};
    };
    if (semEspaco())
        return discoCheio();
    QString motivo;
    if (Funcoes::DescompactaArquivo(arquivo, temporaria.path(), &motivo)) {
        if (semEspaco())
            return discoCheio();
        return {false, QStringLiteral("A cópia de segurança não pôde ser lida. ") + naoAlterado + QLatin1Char('\n') + motivo};
    }
    const QString restaurado = files::findIgnoringCase(temporaria.path(), QStringLiteral("orva.mdb"));
    db::Connection copia;
    try {
        copia.open(restaurado);
        TdtmDados::VerificaBanco(copia);
    } catch (const Error &e) {
        return {false, QStringLiteral("A cópia de segurança não contém um banco de dados válido. ") + naoAlterado
                           + QLatin1Char('\n') + e.message()};
    }
    if (noServidor())
        return restauraNoServidor(dados, copia);

    const QString banco = TdtmDados::ArquivoBanco();
    const QString antigo = caminho(QStringLiteral("Orva_old.mdb"));
    ConexaoFechada fechada(dados);

    // No database, or a file that is no database at all: no program can be
    // working on it, so the restored copy takes its name. A damaged database
    // is kept byte for byte as Orva_old.mdb: its pages cannot be trusted to copy.
    db::Connection atual;
    bool substituirArquivo = !QFileInfo(banco).isFile();
    bool danificado = false;
    if (!substituirArquivo) {
        try {
            atual.open(banco);
            TdtmDados::VerificaBanco(atual);
        } catch (const db::DatabaseError &e) {
            if (e.causa() != db::Causa::Danificado)
                return {false, QStringLiteral("A cópia de segurança não foi restaurada. ") + naoAlterado
                                   + QLatin1Char('\n') + e.message() + fechada.reabre()};
            danificado = true;
            substituirArquivo = !atual.isOpen();
        }
    }

    // The database as it is now, to become Orva_old.mdb once the restore is done.
    const QString antigoNovo = caminho(prefixoTemporario(QStringLiteral(".restaura")) + QStringLiteral("Orva_old.mdb"));
    QFile::remove(antigoNovo);
    if (!danificado && !substituirArquivo) {
        // The write lock first, held to the commit: the snapshot that becomes
        // Orva_old.mdb holds everything committed before it, and whatever
        // another program writes afterwards waits and lands in the restored
        // database. The rows are replaced table by table in that transaction.
        try {
            db::copiaBanco(copia, atual, db::tabelasDoBanco(), [&] {
                db::Connection leitor;
                leitor.open(banco);
                copiaPara(leitor, antigoNovo);
                plataforma::sincronizaArquivo(antigoNovo);
            });
        } catch (const Error &e) {
            return fimDaRestauracao(fechada, antigoNovo, e.message());
        }
        atual.close();
        return fimDaRestauracao(fechada, antigoNovo, QString());
    }
    try {
        if (danificado || substituirArquivo) {
            if (QFileInfo(banco).isFile() && !QFile::copy(banco, antigoNovo))
                throw Error(QStringLiteral("Não foi possível guardar o banco atual como %1.").arg(antigo));
        } else {
            copiaPara(atual, antigoNovo);
        }
        if (!substituirArquivo) {
            try {
                // A damaged database: page by page into the file itself,
                // under its locks; another program that has it open sees the
                // restored rows.
                copia.copyTo(atual);
            } catch (const db::DatabaseError &) {
                substituirArquivo = true;
            }
            atual.close();
        }
        if (substituirArquivo) {
            // Written beside the database under another name, then put in its place in one step.
            const QString novo = caminho(prefixoTemporario(QStringLiteral(".restaura")) + QStringLiteral("orva.mdb"));
            copiaPara(copia, novo);
            plataforma::sincronizaArquivo(novo);
            if (!renomeia(novo, QDir(pasta()).filePath(QStringLiteral("orva.mdb")))) {
                QFile::remove(novo);
                throw Error(QStringLiteral("Não foi possível colocar a cópia de segurança no lugar do banco de dados."));
            }
        }
    } catch (const Error &e) {
        return fimDaRestauracao(fechada, antigoNovo, e.message());
    }
    return fimDaRestauracao(fechada, antigoNovo, QString());
}

QString pergunta(Operacao operacao)
{
    switch (operacao) {
    case Operacao::Compactacao:
        return QStringLiteral("Deseja Fazer a Compactação e correção do banco de Dados ?\n"
                              "Este procedimento pode demorar alguns minutos !");
    case Operacao::Backup:
        return QStringLiteral("Deseja Fazer a Copia de Segurança do banco de Dados ?\n"
                              "Este procedimento pode demorar alguns minutos !");
    case Operacao::Restauracao:
        break;
    }
    return QStringLiteral("Deseja Restaurar a Copia de Segurança do banco de Dados ?\n"
                          "O Sistema ira restaurar o arquivo de dados apartir da ultima\n"
                          "Copia de segurança que foi gerada pelo ORVA\n"
                          "\n"
                          "Este procedimento pode demorar alguns minutos !");
}

std::optional<Resultado> executa(Operacao operacao, TdtmDados &dados,
                                 const std::function<bool(const QString &pergunta)> &confirma)
{
    if (confirma && !confirma(pergunta(operacao)))
        return std::nullopt;
    switch (operacao) {
    case Operacao::Compactacao: return compactaBanco(dados);
    case Operacao::Backup: return fazBackup(dados);
    case Operacao::Restauracao: break;
    }
    return restauraBackup(dados);
}

} // namespace orva::manutencao
