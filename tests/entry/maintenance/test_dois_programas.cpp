// Trials as users meet them: two real programs on one program folder, a
// disk that fills up, a read-only disk, input that is no file at all.
#include "support/plataforma.h"
#include "support/sql.h"

#include "common/win1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <optional>

namespace {

struct Saida {
    int status = -1;
    QString texto; // stdout and stderr
};

Saida termina(QProcess &p)
{
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return {-1, QStringLiteral("não terminou")};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError())};
}

// A program folder prepared as the installation does, with the archiver,
// the invoice declarant 00000000000001 and its open invoice protocols 1 to 30.
class PastaPrograma {
public:
    explicit PastaPrograma(const QString &pasta) : m_pasta(pasta)
    {
        QProcess init;
        init.start(QStringLiteral(ORVA_DIST_DIR "/orva-cli" ORVA_EXE), {"--dir", m_pasta, "init"});
        EXPECT_EQ(termina(init).status, 0);
        QFile::copy(QStringLiteral(ORVA_DIST_DIR "/rar" ORVA_EXE), caminho("rar" ORVA_EXE));
        orva::db::Connection c;
        c.open(banco());
        sql::executa(c, "Insert into Empresa Values ('00000000000001', 'EMPRESA ALFA', '12345678000195', '4711302', "
                        "'0', '110001')");
        sql::executa(c, "With Recursive n(v) As (Select 1 Union All Select v + 1 From n Where v < 30) "
                        "Insert into Protocolo (Protocolo, Tipo_Protocolo, Tipo_Entrega, Exercicio, Inscricao, "
                        "DtGeracao, DtTransmissao) Select v, 0, '1', '2015', '00000000000001', '2015-03-05', Null From n");
    }

    QString caminho(const QString &nome) const { return QDir(m_pasta).filePath(nome); }
    QString banco() const { return caminho("orva.mdb"); }

    // An import file of `quantas` invoices numbered from `primeira`.
    QString arquivoNotas(const QString &nome, int primeira, int quantas) const
    {
        // A producer's note of 1.500,00 issued on 05/03/2015, without origin note.
        const QByteArray resto = QByteArray("NP") + "1" + "05" + "03" + "2015" + "000000000150000" + "0"
                                 + QByteArray(14, '0') + "00" + QByteArray(10, '0') + "00" + "00" + "0000"
                                 + QByteArray(15, '0') + "000000" + "\r\n";
        QByteArray dados;
        for (int nf = primeira; nf < primeira + quantas; ++nf)
            dados += "00000000000001" "2015" "110001" + QByteArray::number(nf).rightJustified(10, '0') + resto;
        QFile f(caminho(nome));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(dados);
        return f.fileName();
    }

    std::unique_ptr<QProcess> inicia(const QStringList &argumentos) const
    {
        auto p = std::make_unique<QProcess>();
        p->start(QStringLiteral(ORVA_DIST_DIR "/orva-cli" ORVA_EXE), QStringList{"--dir", m_pasta} + argumentos);
        EXPECT_TRUE(p->waitForStarted());
        return p;
    }
    Saida executa(const QStringList &argumentos) const { return termina(*inicia(argumentos)); }

    qint64 notas(int protocolo) const
    {
        orva::db::Connection c;
        c.open(banco());
        return sql::numero(c, QStringLiteral("Select count(*) From Notas Where Protocolo = %1").arg(protocolo));
    }
    bool transmitido(int protocolo) const
    {
        orva::db::Connection c;
        c.open(banco());
        return !sql::valor(c, QStringLiteral("Select DtTransmissao From Protocolo Where Protocolo = %1").arg(protocolo))
                    .isEmpty();
    }

private:
    QString m_pasta;
};

QByteArray lerArquivo(const QString &caminho)
{
    QFile f(caminho);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A declaration file whose header counts exactly the detail records it holds.
void confereDeclaracao(const QByteArray &exp, int *detalhes = nullptr)
{
    const QList<QByteArray> linhas = exp.split('\n');
    ASSERT_GE(linhas.size(), 3);
    ASSERT_TRUE(linhas.at(1).startsWith("20"));
    const int declaradas = static_cast<int>(linhas.at(1).mid(191, 15).toLongLong() / 100); // counts go in hundredths too
    int contadas = 0;
    for (const QByteArray &l : linhas)
        contadas += l.startsWith("30") ? 1 : 0;
    EXPECT_EQ(declaradas, contadas);
    EXPECT_TRUE(exp.endsWith("\r\n"));
    if (detalhes)
        *detalhes = contadas;
}

// The archive the export wrote, unpacked by the archiver: its declaration file.
QByteArray declaracaoDoArquivo(const QString &arquivo)
{
    QTemporaryDir destino;
    QProcess rar;
    rar.start(QStringLiteral(ORVA_DIST_DIR "/rar" ORVA_EXE), {"e", "-y", arquivo, destino.path()});
    if (termina(rar).status != 0)
        return QByteArray();
    const QStringList achados = QDir(destino.path()).entryList(QDir::Files);
    return achados.size() == 1 ? lerArquivo(QDir(destino.path()).filePath(achados.first())) : QByteArray();
}

const int kNotas = 8000;

} // namespace

TEST(DoisProgramas, AnImportBesideCompactionBackupAndRestoreLosesNothingItCommitted)
{
    QTemporaryDir dir;
    PastaPrograma pasta(dir.path());
    int protocolo = 0;
    int restauracoes = 0;
    for (const QString &outro : QStringList{"compact", "backup", "restore"}) {
        if (outro == QLatin1String("restore")) {
            ASSERT_EQ(pasta.executa({"backup"}).status, 0);
        }
        for (const int espera : {0, 40, 150, 400}) {
            SCOPED_TRACE((outro + QStringLiteral(" após %1 ms").arg(espera)).toStdString());
            ++protocolo;
            const QString arquivo = pasta.arquivoNotas("notas.txt", protocolo * 100000, kNotas);
            auto importa = pasta.inicia({"import", "--protocolo", QString::number(protocolo), arquivo});
            QThread::msleep(espera);
            const Saida manutencao = pasta.executa({outro});
            const Saida importacao = termina(*importa);

            EXPECT_EQ(sql::integridade(pasta.banco()), "ok");
            // Refused only because the other program held the database.
            if (manutencao.status != 0) {
                EXPECT_TRUE(manutencao.texto.contains("em uso por outro programa")) << manutencao.texto.toStdString();
            }
            if (importacao.status != 0 && importacao.status != 3) {
                EXPECT_TRUE(importacao.texto.contains("em uso por outro programa")) << importacao.texto.toStdString();
            }
            if (outro == QLatin1String("restore")) {
                restauracoes += manutencao.status == 0;
                if (QFileInfo::exists(pasta.caminho("Orva_old.mdb"))) {
                    EXPECT_EQ(sql::integridade(pasta.caminho("Orva_old.mdb")), "ok");
                }
            } else if (importacao.status == 0 || importacao.status == 3) {
                // Every invoice the import reported written is there.
                EXPECT_EQ(pasta.notas(protocolo), kNotas) << importacao.texto.toStdString();
            }
        }
    }
    EXPECT_GT(restauracoes, 0);
}

TEST(DoisProgramas, AnExportDuringAnImportOfItsProtocolWritesOneConsistentDeclaration)
{
    QTemporaryDir dir;
    PastaPrograma pasta(dir.path());
    int exportadas = 0;
    int protocolo = 0;
    // The last round exports once the import has ended, so the written
    // declaration is checked however slow the machine makes the import.
    for (const int espera : {0, 30, 80, 150, 300, 600, -1}) {
        SCOPED_TRACE(espera);
        ++protocolo;
        ASSERT_EQ(pasta.executa({"import", "--protocolo", QString::number(protocolo),
                                 pasta.arquivoNotas("primeiras.txt", protocolo * 100000, 500)})
                      .status,
                  0);
        auto importa = pasta.inicia({"import", "--protocolo", QString::number(protocolo),
                                     pasta.arquivoNotas("notas.txt", protocolo * 100000 + 1000, kNotas)});
        std::optional<Saida> antes;
        if (espera < 0)
            antes = termina(*importa);
        else
            QThread::msleep(espera);
        const Saida exportacao = pasta.executa({"export", "--protocolo", QString::number(protocolo)});
        const Saida importacao = antes ? *antes : termina(*importa);

        const QString nome = QStringLiteral("Orva%1%2").arg(protocolo, 4, 10, QLatin1Char('0')).arg("00000000000001");
        if (exportacao.status == 0) {
            ++exportadas;
            int detalhes = 0;
            const QByteArray exp = lerArquivo(pasta.caminho("dados/" + nome + ".exp"));
            confereDeclaracao(exp, &detalhes);
            EXPECT_GE(detalhes, 500);
            EXPECT_EQ(declaracaoDoArquivo(pasta.caminho("enviar/" + nome + ".rar")), exp);
            EXPECT_TRUE(pasta.transmitido(protocolo));
            // The transmitted protocol holds exactly the rows declared: an
            // import still running found it closed and wrote nothing more.
            EXPECT_EQ(pasta.notas(protocolo), detalhes) << importacao.texto.toStdString();
            if (detalhes < 500 + kNotas) {
                EXPECT_NE(importacao.status, 0) << importacao.texto.toStdString();
            }
        } else {
            // Refused while the import writes, or written and left open
            // because the import added rows the file lacks.
            EXPECT_TRUE(exportacao.texto.contains("em uso por outro programa")
                        || exportacao.texto.contains("Outro usuário incluiu, alterou ou excluiu linhas"))
                << exportacao.texto.toStdString();
            EXPECT_FALSE(pasta.transmitido(protocolo));
        }
        EXPECT_EQ(sql::integridade(pasta.banco()), "ok");
    }
    EXPECT_GT(exportadas, 0);
}

TEST(DoisProgramas, ARestoreWaitsForAWriterAndKeepsWhatItCommittedInOrvaOld)
{
    QTemporaryDir dir;
    PastaPrograma pasta(dir.path());
    ASSERT_EQ(pasta.executa({"backup"}).status, 0);
    // Another program holds the write lock and commits 1.5 s after the
    // restore started.
    orva::db::Connection escritor;
    escritor.open(pasta.banco());
    sql::executa(escritor, "begin immediate");
    sql::executa(escritor, "Insert into Empresa Values ('00000000000002', 'EMPRESA BETA', '12345678000276', '4711302', "
                           "'0', '110001')");
    auto restaura = pasta.inicia({"restore"});
    QThread::msleep(1500);
    sql::executa(escritor, "commit");
    const Saida restauracao = termina(*restaura);
    ASSERT_EQ(restauracao.status, 0) << restauracao.texto.toStdString();

    // Committed before the restore had the lock: kept in Orva_old.mdb.
    orva::db::Connection antigo;
    antigo.open(pasta.caminho("Orva_old.mdb"));
    EXPECT_EQ(sql::numero(antigo, "Select count(*) From Empresa Where Inscricao = '00000000000002'"), 1);
    EXPECT_EQ(sql::numero(escritor, "Select count(*) From Empresa Where Inscricao = '00000000000002'"), 0);
    EXPECT_EQ(sql::numero(escritor, "Select count(*) From Protocolo"), 30);

    // A writer that comes while the restore holds the lock waits, and its
    // rows land in the restored database.
    ASSERT_EQ(pasta.executa({"backup"}).status, 0);
    auto outraRestauracao = pasta.inicia({"restore"});
    QThread::msleep(100);
    const Saida empresa = pasta.executa({"company", "save", "--inscricao", "00000000000003", "--razao-social",
                                         "EMPRESA GAMA", "--cnpj", "12345678000195", "--cnae", "4711302",
                                         "--tipo-declaracao", "0", "--municipio", "110001"});
    EXPECT_EQ(termina(*outraRestauracao).status, 0);
    if (empresa.status == 0) {
        EXPECT_EQ(sql::numero(escritor, "Select count(*) From Empresa Where Inscricao = '00000000000003'"), 1)
            << empresa.texto.toStdString();
    }
    EXPECT_EQ(sql::integridade(pasta.banco()), "ok");
}

TEST(DoisProgramas, AnEmptyFileImportsNothingAndExitsWithFailure)
{
    QTemporaryDir dir;
    PastaPrograma pasta(dir.path());
    const QString vazio = pasta.arquivoNotas("vazio.txt", 1, 0);
    const Saida s = pasta.executa({"import", "--protocolo", "1", vazio});
    EXPECT_EQ(s.status, 1);
    EXPECT_TRUE(s.texto.contains("O arquivo está vazio")) << s.texto.toStdString();
    EXPECT_FALSE(s.texto.contains("Compactação")) << s.texto.toStdString();
    EXPECT_EQ(pasta.notas(1), 0);
}

// An index page of Notas overwritten: the rows still read one by one, but
// no reader lists them and no export marks the protocol.
TEST(DoisProgramas, ADamagedIndexStopsReadersAndTheExportMark)
{
    QTemporaryDir dir;
    PastaPrograma pasta(dir.path());
    ASSERT_EQ(pasta.executa({"import", "--protocolo", "1", pasta.arquivoNotas("notas.txt", 1, 3000)}).status, 0);
    qint64 pagina = 0;
    qint64 tamanhoPagina = 0;
    {
        orva::db::Connection c;
        c.open(pasta.banco());
        pagina = sql::numero(c, "Select rootpage From sqlite_master Where type = 'index' And tbl_name = 'Notas' "
                                "Order By rootpage Limit 1");
        tamanhoPagina = sql::numero(c, "pragma page_size");
    }
    ASSERT_GT(pagina, 1);
    {
        QFile banco(pasta.banco());
        ASSERT_TRUE(banco.open(QIODevice::ReadWrite));
        ASSERT_TRUE(banco.seek((pagina - 1) * tamanhoPagina + 100));
        banco.write(QByteArray(static_cast<int>(tamanhoPagina) - 200, '\x5a'));
    }
    const Saida lista = pasta.executa({"company", "list"});
    EXPECT_NE(lista.status, 0);
    EXPECT_TRUE(lista.texto.contains("danificado")) << lista.texto.toStdString();
    EXPECT_FALSE(lista.texto.contains("EMPRESA ALFA")) << lista.texto.toStdString();

    const Saida exportacao = pasta.executa({"export", "--protocolo", "1"});
    EXPECT_NE(exportacao.status, 0);
    EXPECT_TRUE(exportacao.texto.contains("danificado")) << exportacao.texto.toStdString();
    EXPECT_FALSE(pasta.transmitido(1));
}

// copy names a server; a file path is refused and nothing changes.
TEST(DoisProgramas, CopyTakesOnlyAServerConnection)
{
    QTemporaryDir dir;
    PastaPrograma pasta(dir.path());
    QTemporaryDir outraPasta;
    PastaPrograma outra(outraPasta.path());
    {
        orva::db::Connection c;
        c.open(outra.banco());
        sql::executa(c, "Delete From Protocolo");
    }
    for (const char *sentido : {"--para", "--de"}) {
        const Saida s = pasta.executa({"copy", sentido, outra.banco()});
        EXPECT_EQ(s.status, 1) << sentido;
        EXPECT_TRUE(s.texto.contains("não é uma conexão com um servidor PostgreSQL")) << s.texto.toStdString();
        EXPECT_FALSE(s.texto.contains("está fechada")) << s.texto.toStdString();
    }
    orva::db::Connection c;
    c.open(pasta.banco());
    EXPECT_EQ(sql::numero(c, "Select Count(*) From Protocolo"), 30);
}

TEST(DoisProgramas, InputThatIsNoRegularFileIsRefusedAtOnce)
{
    if (sistema::emWindows())
        GTEST_SKIP() << "Windows has no FIFO nor /dev/zero in its folders";
    QTemporaryDir dir;
    PastaPrograma pasta(dir.path());
    const QString fifo = pasta.caminho("canal");
    ASSERT_TRUE(sistema::criaFifo(fifo));
    for (const QString &entrada : {fifo, QStringLiteral("/dev/zero"), pasta.caminho("dados")}) {
        for (const char *comando : {"validate", "import"}) {
            const Saida s = pasta.executa({comando, "--protocolo", "1", entrada});
            EXPECT_EQ(s.status, 1) << comando;
            EXPECT_TRUE(s.texto.contains("não é um arquivo comum")) << s.texto.toStdString();
        }
    }
    EXPECT_EQ(pasta.notas(1), 0);
}

namespace {

// A small file system of its own (a tmpfs), for trials of a full or
// read-only disk. Needs the right to mount; the trial is skipped without it.
class DiscoPequeno {
public:
    explicit DiscoPequeno(const char *tamanho) : m_montado(sistema::montaDisco(m_ponto.path(), tamanho)) {}
    ~DiscoPequeno()
    {
        if (m_montado)
            sistema::desmontaDisco(m_ponto.path());
    }
    bool montado() const { return m_montado; }
    QString pasta() const { return m_ponto.path(); }

    // Fills the disk so that about `livres` bytes stay free.
    void deixaLivres(qint64 livres)
    {
        QFile::remove(enchimento());
        const qint64 disponivel = QStorageInfo(pasta()).bytesAvailable();
        QFile f(enchimento());
        if (disponivel > livres && f.open(QIODevice::WriteOnly))
            f.write(QByteArray(disponivel - livres, '\0'));
    }
    void esvazia() { QFile::remove(enchimento()); }

    bool somenteLeitura() { return sistema::tornaSomenteLeitura(pasta()); }

private:
    QString enchimento() const { return QDir(pasta()).filePath("enchimento"); }
    QTemporaryDir m_ponto;
    bool m_montado = false;
};

} // namespace

TEST(DiscoCheio, ExportAndBackupNeverReportSuccessOverAnUnreadableFileAndKeepTheOldOne)
{
    DiscoPequeno disco("6m");
    if (sistema::emWindows())
        GTEST_SKIP() << "o Windows não monta um disco pequeno numa pasta";
    if (!disco.montado())
        GTEST_SKIP() << "sem permissão para montar um tmpfs";
    PastaPrograma pasta(disco.pasta());
    ASSERT_EQ(pasta.executa({"import", "--protocolo", "1", pasta.arquivoNotas("notas.txt", 1, 6000)}).status, 0);
    QFile::remove(pasta.caminho("notas.txt"));
    const QString nome = "Orva000100000000000001";
    const QString exp = pasta.caminho("dados/" + nome + ".exp");
    const QString rar = pasta.caminho("enviar/" + nome + ".rar");

    // A first export and backup on a roomy disk: the files a failure must keep.
    ASSERT_EQ(pasta.executa({"export", "--protocolo", "1"}).status, 0);
    ASSERT_EQ(pasta.executa({"backup"}).status, 0);
    const QByteArray expAntigo = lerArquivo(exp);
    const QByteArray rarAntigo = lerArquivo(rar);
    const QByteArray backupAntigo = lerArquivo(pasta.caminho("Backup/bkpOrva.rar"));

    int sucessos = 0;
    int falhas = 0;
    for (qint64 livres = 0; livres <= 1200 * 1024; livres += 100 * 1024) {
        SCOPED_TRACE(livres);
        {
            orva::db::Connection c;
            c.open(pasta.banco());
            sql::executa(c, "Update Protocolo Set DtTransmissao = Null Where Protocolo = 1");
        }
        disco.deixaLivres(livres);
        const Saida exportacao = pasta.executa({"export", "--protocolo", "1"});
        const Saida backup = pasta.executa({"backup"});
        disco.esvazia();

        if (exportacao.status == 0) {
            ++sucessos;
            EXPECT_TRUE(pasta.transmitido(1));
            EXPECT_EQ(declaracaoDoArquivo(rar), lerArquivo(exp));
        } else {
            ++falhas;
            // The cause, in Portuguese.
            EXPECT_TRUE(exportacao.texto.contains("disco está cheio")) << exportacao.texto.toStdString();
            EXPECT_FALSE(exportacao.texto.contains("Unknown error")) << exportacao.texto.toStdString();
            EXPECT_FALSE(exportacao.texto.contains("disk is full")) << exportacao.texto.toStdString();
            // What is under the final names is whole: the old files or new
            // complete ones; an archive of the unmarked protocol only when
            // the export never reached the mark.
            EXPECT_EQ(lerArquivo(exp).size(), expAntigo.size()) << exportacao.texto.toStdString();
            if (QFileInfo::exists(rar)) {
                EXPECT_EQ(declaracaoDoArquivo(rar).size(), expAntigo.size()) << exportacao.texto.toStdString();
            }
            EXPECT_FALSE(pasta.transmitido(1)) << exportacao.texto.toStdString();
        }
        if (backup.status != 0)
            EXPECT_EQ(lerArquivo(pasta.caminho("Backup/bkpOrva.rar")), backupAntigo) << backup.texto.toStdString();
        else
            EXPECT_TRUE(backup.texto.contains("gerada com sucesso"));
        EXPECT_EQ(sql::integridade(pasta.banco()), "ok");
        EXPECT_LE(QDir(pasta.caminho("enviar")).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }
    EXPECT_GT(falhas, 0);
    EXPECT_GT(sucessos, 0);
    (void)rarAntigo;

    // A restore without room to read the backup says the disk is full.
    ASSERT_EQ(pasta.executa({"backup"}).status, 0);
    for (const qint64 livres : {0, 40 * 1024, 200 * 1024}) {
        disco.deixaLivres(livres);
        const Saida restauracao = pasta.executa({"restore"});
        disco.esvazia();
        if (restauracao.status != 0) {
            EXPECT_TRUE(restauracao.texto.contains("disco está cheio")) << restauracao.texto.toStdString();
            EXPECT_FALSE(restauracao.texto.contains("código 1")) << restauracao.texto.toStdString();
        }
        EXPECT_EQ(sql::integridade(pasta.banco()), "ok");
    }

    // On a read-only disk the import says so instead of blaming each record.
    const QString notas = pasta.arquivoNotas("mais.txt", 900000, 10);
    ASSERT_TRUE(disco.somenteLeitura());
    const Saida importacao = pasta.executa({"import", "--protocolo", "2", notas});
    EXPECT_NE(importacao.status, 0);
    EXPECT_TRUE(importacao.texto.contains("somente para leitura")) << importacao.texto.toStdString();
    EXPECT_FALSE(importacao.texto.contains("Problemas na importação da Nota Fiscal")) << importacao.texto.toStdString();
}
