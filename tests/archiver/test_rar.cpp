#include "support/ferramentas.h"
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <archive.h>
#include <archive_entry.h>

#include <gtest/gtest.h>

namespace {

struct RarRun {
    int code = -1;
    QString out, err;
};

RarRun rar(const QStringList &arguments)
{
    QProcess p;
    p.start(QStringLiteral(ORVA_DIST_DIR "/rar" ORVA_EXE), arguments);
    EXPECT_TRUE(p.waitForFinished(30000)) << "rar did not end";
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

void write(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Entry names of an archive and its format, read back with libarchive.
struct Listing {
    QStringList names;
    QList<QByteArray> contents;
    int format = 0;
};

Listing list(const QString &path)
{
    Listing l;
    struct archive *a = archive_read_new();
    archive_read_support_format_all(a);
    archive_read_support_filter_all(a);
    if (archive_read_open_filename(a, QFile::encodeName(path).constData(), 10240) == ARCHIVE_OK) {
        struct archive_entry *e = nullptr;
        while (archive_read_next_header(a, &e) == ARCHIVE_OK) {
            l.format = archive_format(a);
            l.names << QString::fromUtf8(archive_entry_pathname_utf8(e));
            QByteArray data;
            char buf[4096];
            la_ssize_t n;
            while ((n = archive_read_data(a, buf, sizeof buf)) > 0)
                data.append(buf, n);
            l.contents << data;
        }
    }
    archive_read_free(a);
    return l;
}

// Every path under a folder, relative to it.
QStringList tree(const QString &folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(folder).relativeFilePath(it.next());
    out.sort();
    return out;
}

} // namespace

// Adding under the bare name, replacing by name, keeping other entries, and
// extracting the same bytes back (a Windows-1252 text and an accented name).
TEST(Rar, AddReplaceKeepAndExtract)
{
    QTemporaryDir dir;
    const QByteArray declaracao("10|CONCESS\xC7O|1.234,56\r\n");
    const QString fonte = dir.filePath(QStringLiteral("dados/Declaração.txt"));
    write(fonte, declaracao);
    write(dir.filePath(QStringLiteral("dados/outro.txt")), "primeiro");

    // No extension: ".rar" is added, the missing folder created.
    const QString base = dir.filePath(QStringLiteral("Backup/bkp"));
    RarRun r = rar({QStringLiteral("a"), QStringLiteral("-va"), base, dir.filePath(QStringLiteral("dados/outro.txt"))});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QString arquivo = base + QStringLiteral(".rar");
    ASSERT_TRUE(QFileInfo::exists(arquivo));

    write(dir.filePath(QStringLiteral("dados/outro.txt")), "segundo");
    ASSERT_EQ(rar({QStringLiteral("a"), QStringLiteral("-va"), base, dir.filePath(QStringLiteral("dados/outro.txt"))}).code, 0);
    ASSERT_EQ(rar({QStringLiteral("a"), QStringLiteral("-va"), arquivo, fonte}).code, 0);

    Listing l = list(arquivo);
    EXPECT_EQ(l.format & ARCHIVE_FORMAT_BASE_MASK, ARCHIVE_FORMAT_ZIP);
    EXPECT_EQ(l.names, (QStringList{QStringLiteral("outro.txt"), QStringLiteral("Declaração.txt")}));
    EXPECT_EQ(l.contents.value(0), QByteArray("segundo"));
    // Nothing left over beside the archive from the rewrites.
    EXPECT_EQ(tree(dir.filePath(QStringLiteral("Backup"))), QStringList{QStringLiteral("bkp.rar")});

    if (!ferramentaHost(QStringLiteral("bsdtar")).isEmpty()) {
        const ResultadoHost bsdtar = executaHost(QStringLiteral("bsdtar"), {QStringLiteral("-tf"), caminhoHost(arquivo)});
        ASSERT_TRUE(bsdtar.terminou);
        EXPECT_EQ(bsdtar.codigo, 0);
        EXPECT_EQ(QString::fromUtf8(bsdtar.saida).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
                  (QStringList{QStringLiteral("outro.txt"), QStringLiteral("Declaração.txt")}));
    }

    // Extracting into a folder given with a trailing separator of either kind.
    const QString destino = dir.filePath(QStringLiteral("restaurado"));
    r = rar({QStringLiteral("e"), QStringLiteral("-y"), arquivo, destino + QLatin1Char('\\')});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(read(destino + QStringLiteral("/Declaração.txt")), declaracao);
    EXPECT_EQ(read(destino + QStringLiteral("/outro.txt")), QByteArray("segundo"));

    // Without -y an existing file is kept and the run says so; -y replaces it.
    write(destino + QStringLiteral("/outro.txt"), "local");
    r = rar({QStringLiteral("e"), arquivo, destino + QLatin1Char('/')});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("outro.txt já existe"))) << r.err.toStdString();
    EXPECT_EQ(read(destino + QStringLiteral("/outro.txt")), QByteArray("local"));
    ASSERT_EQ(rar({QStringLiteral("e"), QStringLiteral("-y"), arquivo, destino}).code, 0);
    EXPECT_EQ(read(destino + QStringLiteral("/outro.txt")), QByteArray("segundo"));
    EXPECT_EQ(tree(destino), (QStringList{QStringLiteral("Declaração.txt"), QStringLiteral("outro.txt")}));
}

// Entry names that point elsewhere, links and folders: only plain files, under
// their bare names, inside the destination.
TEST(Rar, HostileEntriesStayInsideDestination)
{
    QTemporaryDir dir;
    const QString hostil = dir.filePath(QStringLiteral("hostil.rar"));
    {
        struct archive *a = archive_write_new();
        archive_write_set_format_zip(a);
        ASSERT_EQ(archive_write_open_filename(a, QFile::encodeName(hostil).constData()), ARCHIVE_OK);
        auto add = [&](const char *name, int type, const QByteArray &data, const char *link = nullptr) {
            struct archive_entry *e = archive_entry_new();
            archive_entry_set_pathname(e, name);
            archive_entry_set_filetype(e, type);
            archive_entry_set_perm(e, 0644);
            if (link)
                archive_entry_set_symlink(e, link);
            archive_entry_set_size(e, data.size());
            archive_write_header(a, e);
            if (!data.isEmpty())
                archive_write_data(a, data.constData(), data.size());
            archive_entry_free(e);
        };
        add("../evil1", AE_IFREG, "1");
        add("/abs/orva-rar-test/evil2", AE_IFREG, "2");
        add("a/../../evil3", AE_IFREG, "3");
        add("..\\..\\evil4", AE_IFREG, "4");
        add("link", AE_IFLNK, QByteArray(), "../fora");
        add("sub/", AE_IFDIR, QByteArray());
        add("sub/..", AE_IFREG, "x");
        add("pasta/ok.txt", AE_IFREG, "ok");
        archive_write_close(a);
        archive_write_free(a);
    }

    const QString destino = dir.filePath(QStringLiteral("a/b/destino"));
    QDir().mkpath(destino);
    const RarRun r = rar({QStringLiteral("e"), QStringLiteral("-y"), hostil, destino});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    // Nothing anywhere else in the temporary folder either.
    EXPECT_EQ(tree(dir.path()),
              (QStringList{QStringLiteral("a"), QStringLiteral("a/b"), QStringLiteral("a/b/destino"),
                           QStringLiteral("a/b/destino/evil1"), QStringLiteral("a/b/destino/evil2"),
                           QStringLiteral("a/b/destino/evil3"), QStringLiteral("a/b/destino/evil4"),
                           QStringLiteral("a/b/destino/ok.txt"), QStringLiteral("hostil.rar")}));
    EXPECT_EQ(read(destino + QStringLiteral("/ok.txt")), QByteArray("ok"));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/abs/orva-rar-test")));
    EXPECT_FALSE(QFileInfo(dir.filePath(QStringLiteral("a/b/fora"))).exists());
    EXPECT_FALSE(QFileInfo(destino + QStringLiteral("/link")).isSymLink());
}

// Failures end with a non-zero status and a message, and never damage the
// archive or the files that were there.
TEST(Rar, FailuresReportAndLeaveFilesAlone)
{
    QTemporaryDir dir;
    RarRun r = rar({QStringLiteral("e"), QStringLiteral("-y"), dir.filePath(QStringLiteral("nada.rar")), dir.path()});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("não encontrado"))) << r.err.toStdString();

    r = rar({QStringLiteral("a"), QStringLiteral("-va"), dir.filePath(QStringLiteral("x.rar")),
             dir.filePath(QStringLiteral("falta.txt"))});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Arquivo não encontrado"))) << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("x.rar"))));

    // A file that is no archive is neither read as one nor overwritten.
    write(dir.filePath(QStringLiteral("texto.rar")), "não sou um arquivo compactado");
    write(dir.filePath(QStringLiteral("f.txt")), "f");
    r = rar({QStringLiteral("a"), dir.filePath(QStringLiteral("texto.rar")), dir.filePath(QStringLiteral("f.txt"))});
    EXPECT_EQ(r.code, 1);
    EXPECT_FALSE(r.err.isEmpty());
    EXPECT_EQ(read(dir.filePath(QStringLiteral("texto.rar"))), QByteArray("não sou um arquivo compactado"));
    r = rar({QStringLiteral("e"), QStringLiteral("-y"), dir.filePath(QStringLiteral("texto.rar")), dir.path()});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("não pôde ser lido"))) << r.err.toStdString();

    for (const QStringList &args : {QStringList{}, QStringList{QStringLiteral("x"), QStringLiteral("a.rar")},
                                    QStringList{QStringLiteral("a"), QStringLiteral("-q"), QStringLiteral("a.rar"),
                                                QStringLiteral("f")},
                                    QStringList{QStringLiteral("a"), QStringLiteral("a.rar")}}) {
        r = rar(args);
        EXPECT_EQ(r.code, 2) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(r.err.isEmpty());
    }
    r = rar({QStringLiteral("--help")});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("-y"))) << r.out.toStdString();
}
