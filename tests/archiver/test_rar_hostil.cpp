// The archiver against hostile and damaged archives, and writing an archive
// when the disk fails under it.
#include "archiver/rar_archive.h"
#include "common/plataforma/travas.h"

#include "support/compactados.h"
#include "support/plataforma.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <archive.h>
#include <archive_entry.h>

#include <gtest/gtest.h>

namespace {

struct Saida {
    int code = -1;
    QString err;
};

// Runs the archiver; `limiteArquivo` > 0 caps the size of any file it writes
// (the write fails with EFBIG at that byte).
Saida rar(const QStringList &args, qint64 limiteArquivo = 0)
{
    QProcess p;
    if (limiteArquivo > 0)
        sistema::limitaArquivos(p, limiteArquivo);
    p.start(QStringLiteral(ORVA_DIST_DIR "/rar" ORVA_EXE), args);
    EXPECT_TRUE(p.waitForFinished(30000));
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardError())};
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QStringList files(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// A ZIP archive of the given entries, then (when named) one entry of
// `tamanhoGrande` zero bytes, streamed in rather than held.
void zip(const QString &path, const QList<QPair<QByteArray, QByteArray>> &entries, const QByteArray &nomeGrande = {},
         qint64 tamanhoGrande = 0)
{
    struct archive *a = archive_write_new();
    archive_write_set_format_zip(a);
    ASSERT_EQ(archive_write_open_filename(a, QFile::encodeName(path).constData()), ARCHIVE_OK);
    const auto entrada = [&](const QByteArray &nome, qint64 tamanho) {
        struct archive_entry *e = archive_entry_new();
        archive_entry_set_pathname(e, nome.constData());
        archive_entry_set_filetype(e, AE_IFREG);
        archive_entry_set_perm(e, 0644);
        archive_entry_set_size(e, tamanho);
        archive_write_header(a, e);
        archive_entry_free(e);
    };
    for (const auto &[nome, dados] : entries) {
        entrada(nome, dados.size());
        archive_write_data(a, dados.constData(), dados.size());
    }
    if (!nomeGrande.isEmpty()) {
        entrada(nomeGrande, tamanhoGrande);
        const QByteArray zeros(1 << 20, '\0');
        for (qint64 feito = 0; feito < tamanhoGrande; feito += zeros.size())
            archive_write_data(a, zeros.constData(), std::min<qint64>(zeros.size(), tamanhoGrande - feito));
    }
    archive_write_close(a);
    archive_write_free(a);
}

} // namespace

// A bomb is refused before a byte of it is written; damaged archives either
// extract exactly what they hold or fail with a message, leaving nothing.
TEST(RarHostil, BombsAndDamagedArchivesLeaveNothingBehind)
{
    QTemporaryDir dir;
    const QString bomba = dir.filePath("bomba.rar");
    zip(bomba, {{"leia.txt", "x"}}, "Orva000700000000000001.exp", qint64(300) << 20);
    ASSERT_LT(QFileInfo(bomba).size(), 2 << 20);
    const QString destino = dir.filePath("destino");
    QDir().mkpath(destino);
    QElapsedTimer t;
    t.start();
    Saida r = rar({"e", "-y", bomba, destino});
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("recusado")) << r.err.toStdString();
    EXPECT_TRUE(files(destino).isEmpty()) << files(destino).join(' ').toStdString();

    // Truncations and flipped bytes all over a good archive, central
    // directory included.
    const QByteArray a1 = QByteArray("10 primeira linha\r\n").repeated(50), a2 = "segundo arquivo";
    const QString bom = dir.filePath("bom.rar");
    zip(bom, {{"Orva000700000000000001.exp", a1}, {"outro.txt", a2}});
    const QByteArray bytes = read(bom);
    QRandomGenerator gerador(13);
    int extraidos = 0, recusados = 0;
    for (int i = 0; i < 1500; ++i) {
        QByteArray dano = bytes;
        if (i < 300) {
            dano.truncate(i * bytes.size() / 300);
        } else {
            for (int k = 0; k < 1 + i % 4; ++k) {
                // Most flips land in the last part: headers and the central directory.
                const qsizetype at = i % 2 ? gerador.bounded(bytes.size())
                                           : bytes.size() - 1 - gerador.bounded(std::min<qsizetype>(bytes.size(), 200));
                dano[at] = char(dano[at] ^ (1 + gerador.bounded(255)));
            }
        }
        const QString caminho = dir.filePath("dano.rar");
        write(caminho, dano);
        const QString saida = dir.filePath("saida" + QString::number(i));
        QDir().mkpath(saida);
        orva::rar::ExtractReport relatorio;
        QString erro;
        const bool ok = orva::rar::extract(caminho, saida, true, &relatorio, &erro);
        if (ok) {
            ++extraidos;
            EXPECT_FALSE(relatorio.written.isEmpty()) << i;
            for (const QString &nome : files(saida)) {
                const QByteArray lido = read(saida + "/" + nome);
                EXPECT_TRUE(lido == a1 || lido == a2) << i << " " << nome.toStdString() << " " << lido.size();
            }
        } else {
            ++recusados;
            EXPECT_FALSE(erro.isEmpty()) << i;
            EXPECT_TRUE(files(saida).isEmpty()) << i << files(saida).join(' ').toStdString();
        }
        QDir(saida).removeRecursively();
    }
    std::printf("damaged archives: %d extracted whole, %d refused\n", extraidos, recusados);
}

// Only the named entry comes out, any letter case; the other files of the
// folder, named like its other entries, are left as they were. A part left
// by an interrupted extraction is cleared.
TEST(RarHostil, OneNamedEntryLeavesTheOtherFilesAlone)
{
    QTemporaryDir dir;
    const QString arquivo = dir.filePath("Orva000700000000000001.rar");
    zip(arquivo, {{"Orva000700000000000001.EXP", "meu"}, {"x/Orva000800000000000002.exp", "intruso"}});
    write(dir.filePath("Orva000800000000000002.exp"), "outra declaração");
    write(dir.filePath(".rar-Zz99Yy"), "parte de uma extração interrompida");
    Saida r = rar({"e", "-y", "-nOrva000700000000000001.exp", arquivo, dir.path()});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(read(dir.filePath("Orva000700000000000001.EXP")), "meu");
    EXPECT_EQ(read(dir.filePath("Orva000800000000000002.exp")), "outra declaração");

    r = rar({"e", "-y", "-nOrva000900000000000003.exp", arquivo, dir.path()});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("não contém")) << r.err.toStdString();
    EXPECT_EQ(files(dir.path()).size(), 3);
}

// The write of a new archive fails at many points of its last blocks: the
// run never ends in success, the old archive stays as it was and no
// temporary file is left. Leftovers of an interrupted run are cleared.
TEST(RarHostil, AddNeverLeavesAnUnreadableArchive)
{
    if (sistema::emWindows())
        GTEST_SKIP() << "Windows cannot cap the size of the files a process writes";
    QTemporaryDir dir;
    const QString arquivo = dir.filePath("bkp.rar");
    write(dir.filePath("antigo.txt"), "antigo");
    ASSERT_EQ(rar({"a", arquivo, dir.filePath("antigo.txt")}).code, 0);
    const QByteArray antigo = read(arquivo);
    QByteArray dados;
    QRandomGenerator gerador(7);
    for (int i = 0; i < 40000; ++i)
        dados += char('A' + gerador.bounded(26));
    write(dir.filePath("novo.txt"), dados);

    // The size the new archive will have.
    const QString prova = dir.filePath("prova/bkp.rar");
    QDir().mkpath(dir.filePath("prova"));
    QFile::copy(arquivo, prova);
    ASSERT_EQ(rar({"a", prova, dir.filePath("novo.txt")}).code, 0);
    const qint64 tamanho = QFileInfo(prova).size();

    int pontos = 0;
    for (qint64 limite = tamanho - 1; limite > tamanho - 9000 && limite > 0; limite -= (limite > tamanho - 64 ? 1 : 211)) {
        const Saida r = rar({"a", arquivo, dir.filePath("novo.txt")}, limite);
        ++pontos;
        EXPECT_NE(r.code, 0) << limite;
        EXPECT_TRUE(r.err.contains("tamanho máximo")) << limite << r.err.toStdString();
        EXPECT_EQ(read(arquivo), antigo) << limite;
        ASSERT_EQ(files(dir.path()), (QStringList{"antigo.txt", "bkp.rar", "novo.txt"})) << limite;
    }
    EXPECT_GT(pontos, 90);

    write(dir.filePath(".bkp.rar.tmp-Ab12Cd"), "resto de uma execução interrompida");
    write(dir.filePath(".outro.rar.tmp-Ab12Cd"), "de outro arquivo");
    ASSERT_EQ(rar({"a", arquivo, dir.filePath("novo.txt")}, tamanho).code, 0);
    EXPECT_EQ(files(dir.path()), (QStringList{".outro.rar.tmp-Ab12Cd", "antigo.txt", "bkp.rar", "novo.txt"}));
    orva::rar::ExtractReport relatorio;
    QString erro;
    const QString saida = dir.filePath("saida");
    ASSERT_TRUE(orva::rar::extract(arquivo, saida, true, &relatorio, &erro)) << erro.toStdString();
    EXPECT_EQ(read(saida + "/novo.txt"), dados);
    EXPECT_EQ(read(saida + "/antigo.txt"), "antigo");
}

// A temporary file another run is still writing holds its lock: neither an
// add nor an extraction beside it takes it for a leftover; a free one goes.
TEST(RarHostil, LeftoversStillBeingWrittenAreLeftAlone)
{
    QTemporaryDir dir;
    const QString arquivo = dir.filePath("bkp.rar");
    write(dir.filePath("a.txt"), "a");
    write(dir.filePath(".bkp.rar.tmp-Livre1"), "resto");
    write(dir.filePath(".rar-Livre1"), "resto");
    QFile adicao(dir.filePath(".bkp.rar.tmp-Ocupa1"));
    QFile extracao(dir.filePath(".rar-Ocupa1"));
    for (QFile *f : {&adicao, &extracao}) {
        ASSERT_TRUE(f->open(QIODevice::ReadWrite));
        ASSERT_TRUE(orva::plataforma::trava(f->handle(), false));
    }
    ASSERT_EQ(rar({"a", arquivo, dir.filePath("a.txt")}).code, 0);
    const Saida r = rar({"e", "-y", arquivo, dir.path()});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(files(dir.path()), (QStringList{".bkp.rar.tmp-Ocupa1", ".rar-Ocupa1", "a.txt", "bkp.rar"}));
}

// A full disk: a small file system of its own (needs root to mount).
TEST(RarHostil, FullDiskIsNamedAndTheOldArchiveKept)
{
    if (sistema::emWindows())
        GTEST_SKIP() << "no small file system can be mounted on Windows";
    if (!sistema::administrador())
        GTEST_SKIP() << "mounting a small file system needs root";
    QTemporaryDir dir;
    const QString disco = dir.filePath("disco");
    QDir().mkpath(disco);
    if (!sistema::montaDisco(disco, "256k"))
        GTEST_SKIP() << "tmpfs could not be mounted";
    struct Desmonta {
        QString pasta;
        ~Desmonta() { sistema::desmontaDisco(pasta); }
    } desmonta{disco};

    write(disco + "/a.txt", "pequeno");
    ASSERT_EQ(rar({"a", disco + "/bkp.rar", disco + "/a.txt"}).code, 0);
    const QByteArray antigo = read(disco + "/bkp.rar");
    QByteArray grande;
    QRandomGenerator gerador(3);
    for (int i = 0; i < 300 * 1024 / 4; ++i) {
        const quint32 v = gerador.generate();
        grande += QByteArray(reinterpret_cast<const char *>(&v), 4);
    }
    write(dir.filePath("grande.txt"), grande);
    const Saida r = rar({"a", disco + "/bkp.rar", dir.filePath("grande.txt")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("disco cheio")) << r.err.toStdString();
    EXPECT_EQ(read(disco + "/bkp.rar"), antigo);
    EXPECT_EQ(files(disco), (QStringList{"a.txt", "bkp.rar"}));
}

// Only ZIP is read, every entry's CRC and both copies of its name checked:
// each single-bit flip of a small archive either extracts exactly what it
// holds under the names it holds, or is refused leaving nothing. A tar.gz
// (whose gzip check would come too late) is refused, and an input that
// starts like lzop's never starts the "lzop" found on the path.
TEST(RarHostil, OnlyZipEveryFlippedBitCaughtAndNoProgramRuns)
{
    QTemporaryDir dir;
    const QByteArray a1 = QByteArray("10 primeira linha\r\n").repeated(20), a2 = "segundo arquivo";
    const QString bom = dir.filePath("bom.rar");
    zip(bom, {{"Orva000700000000000001.exp", a1}, {"outro.txt", a2}});
    const QByteArray bytes = read(bom);
    const QString saida = dir.filePath("saida");
    int extraidos = 0, recusados = 0;
    for (qsizetype bit = 0; bit < bytes.size() * 8; ++bit) {
        QByteArray dano = bytes;
        dano[bit / 8] = char(dano[bit / 8] ^ (1 << (bit % 8)));
        write(dir.filePath("dano.rar"), dano);
        QDir().mkpath(saida);
        orva::rar::ExtractReport relatorio;
        QString erro;
        if (orva::rar::extract(dir.filePath("dano.rar"), saida, true, &relatorio, &erro)) {
            ++extraidos;
            for (const QString &nome : files(saida)) {
                const QByteArray lido = read(saida + "/" + nome);
                EXPECT_TRUE((nome == "Orva000700000000000001.exp" && lido == a1) || (nome == "outro.txt" && lido == a2))
                    << "bit " << bit << ": " << nome.toStdString() << " " << lido.size();
            }
        } else {
            ++recusados;
            EXPECT_TRUE(files(saida).isEmpty()) << "bit " << bit;
        }
        QDir(saida).removeRecursively();
    }
    std::printf("single-bit flips: %d extracted exactly, %d refused\n", extraidos, recusados);
    if (sistema::emWindows())
        GTEST_SKIP() << "the stand-in lzop is a shell script";

    // A tar inside gzip holding a good file, and the lzop signature.
    const QString targz = dir.filePath("tar.rar");
    write(targz, compactados::tarGz("Orva000700000000000001.exp", a1));
    write(dir.filePath("lzo.rar"), compactados::comoLzop());
    const QString marca = dir.filePath("lzop-rodou");
    const QProcessEnvironment ambiente = compactados::comLzopFalso(dir.filePath("bin"), marca);
    for (const QString &arquivo : {targz, dir.filePath("lzo.rar")}) {
        QProcess p;
        p.setProcessEnvironment(ambiente);
        p.start(QStringLiteral(ORVA_DIST_DIR "/rar" ORVA_EXE), {"e", "-y", arquivo, saida});
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitCode(), 1) << arquivo.toStdString();
        EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError()).contains("não pôde ser lido")) << arquivo.toStdString();
        EXPECT_TRUE(files(saida).isEmpty()) << arquivo.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(marca));
}
