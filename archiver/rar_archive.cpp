#include "rar_archive.h"
#include "zip_names.h"

#include "common/causafalha.h"
#include "common/plataforma/arquivos.h"
#include "common/plataforma/gravacao.h"
#include "common/plataforma/travas.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>
#include <QTemporaryFile>
#include <QTextStream>

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace orva::rar {

namespace {

constexpr qint64 kBlock = 64 * 1024;

struct ReadDeleter {
    void operator()(struct archive *a) const { archive_read_free(a); }
};
struct WriteDeleter {
    void operator()(struct archive *a) const { archive_write_free(a); }
};
struct EntryDeleter {
    void operator()(struct archive_entry *e) const { archive_entry_free(e); }
};
using Reader = std::unique_ptr<struct archive, ReadDeleter>;
using Writer = std::unique_ptr<struct archive, WriteDeleter>;
using Entry = std::unique_ptr<struct archive_entry, EntryDeleter>;

QString libraryMessage(struct archive *a)
{
    const char *text = archive_error_string(a);
    return text ? QString::fromUtf8(text) : QStringLiteral("erro desconhecido");
}

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

// Archives are read as ZIP only, what add() writes: every entry's data is
// checked against its CRC. No other format, and no filter: some formats
// check nothing (a tar inside gzip is taken before gzip's own check), and
// libarchive runs an outside program for a filter it lacks.
Reader openReader(const QString &path, QString *error)
{
    Reader a(archive_read_new());
    archive_read_support_format_zip(a.get());
    archive_read_support_format_empty(a.get());
    if (archive_read_open_filename(a.get(), QFile::encodeName(path).constData(), kBlock) != ARCHIVE_OK) {
        setError(error, QStringLiteral("O arquivo compactado %1 não pôde ser lido: %2").arg(path, libraryMessage(a.get())));
        return nullptr;
    }
    return a;
}

// The entry's name as text. Names that are not UTF-8 (old archives written
// in a Windows code page) are read as Latin-1 rather than dropped.
QString entryName(struct archive_entry *entry)
{
    if (const char *utf8 = archive_entry_pathname_utf8(entry))
        return QString::fromUtf8(utf8);
    if (const char *raw = archive_entry_pathname(entry))
        return QString::fromLatin1(raw);
    return QString();
}

// The last part of an entry name, whatever separator the archive used.
QString bareName(const QString &name)
{
    const qsizetype cut = std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
    return name.mid(cut + 1);
}

// What the write callback needs: the temporary file and the cause of the
// first failure, so the message can name it.
struct Sink {
    int fd = -1;
    int error = 0;
};

la_ssize_t writeToFile(struct archive *a, void *data, const void *buffer, size_t length)
{
    auto *sink = static_cast<Sink *>(data);
    if (!plataforma::gravaTudo(sink->fd, static_cast<const char *>(buffer), qint64(length))) {
        sink->error = errno;
        archive_set_error(a, sink->error, "%s", std::strerror(sink->error));
        return -1;
    }
    return la_ssize_t(length);
}

bool hasExtension(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 && dot < name.size() - 1;
}

// Copies the data of the reader's current entry into the writer.
bool copyData(struct archive *in, struct archive *out, const QString &archive, QString *error)
{
    char buffer[kBlock];
    for (;;) {
        const la_ssize_t n = archive_read_data(in, buffer, sizeof buffer);
        if (n == 0)
            return true;
        if (n < 0) {
            setError(error, QStringLiteral("O arquivo compactado %1 não pôde ser lido: %2").arg(archive, libraryMessage(in)));
            return false;
        }
        if (archive_write_data(out, buffer, size_t(n)) != n) {
            setError(error, QStringLiteral("Erro ao gravar o arquivo compactado %1: %2").arg(archive, libraryMessage(out)));
            return false;
        }
    }
}

bool addFile(struct archive *out, const QString &file, const QString &name, const QString &archive, QString *error)
{
    QFile source(file);
    if (!source.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("O arquivo %1 não pôde ser lido: %2").arg(file, source.errorString()));
        return false;
    }
    const QFileInfo info(file);
    Entry entry(archive_entry_new());
    archive_entry_update_pathname_utf8(entry.get(), name.toUtf8().constData());
    archive_entry_set_filetype(entry.get(), AE_IFREG);
    archive_entry_set_perm(entry.get(), 0644);
    archive_entry_set_size(entry.get(), source.size());
    archive_entry_set_mtime(entry.get(), info.lastModified().toSecsSinceEpoch(), 0);
    if (archive_write_header(out, entry.get()) != ARCHIVE_OK) {
        setError(error, QStringLiteral("Erro ao gravar o arquivo compactado %1: %2").arg(archive, libraryMessage(out)));
        return false;
    }
    // The header already holds the size: a file that changes meanwhile would
    // leave an inconsistent entry, so it fails the whole run instead.
    qint64 total = 0;
    QByteArray buffer(kBlock, Qt::Uninitialized);
    for (;;) {
        const qint64 n = source.read(buffer.data(), buffer.size());
        if (n < 0) {
            setError(error, QStringLiteral("O arquivo %1 não pôde ser lido: %2").arg(file, source.errorString()));
            return false;
        }
        if (n == 0)
            break;
        total += n;
        if (total > archive_entry_size(entry.get()))
            break;
        if (archive_write_data(out, buffer.constData(), size_t(n)) != n) {
            setError(error, QStringLiteral("Erro ao gravar o arquivo compactado %1: %2").arg(archive, libraryMessage(out)));
            return false;
        }
    }
    if (total != archive_entry_size(entry.get())) {
        setError(error, QStringLiteral("O arquivo %1 foi alterado durante a compactação.").arg(file));
        return false;
    }
    return true;
}

} // namespace

QString archivePath(const QString &given)
{
    return hasExtension(given) ? given : given + QStringLiteral(".rar");
}

namespace {

// The temporary name of a new archive: hidden, in the archive's folder, so
// the final rename stays on one file system.
QString tempPrefix(const QFileInfo &archive)
{
    return archive.absolutePath() + QStringLiteral("/.") + archive.fileName() + QStringLiteral(".tmp-");
}

// Temporary files of ours (`pattern`) left in `folder` by an earlier run
// that was interrupted. One still being written holds a lock on itself and
// is left alone.
void removeLeftovers(const QString &folderPath, const QString &pattern)
{
    const QDir folder(folderPath);
    for (const QString &name : folder.entryList({pattern}, QDir::Files | QDir::Hidden | QDir::System))
        plataforma::removeSeLivre(folder.filePath(name));
}

struct Expected {
    QString name;
    qint64 size = -1; // -1: not known
};

// Reads the new archive back to the end of every entry's data: the names
// and sizes must be those written, and the library checks each entry's CRC.
bool verify(const QString &path, const std::vector<Expected> &expected, const QString &archive, QString *error)
{
    QString readError;
    Reader in = openReader(path, &readError);
    const auto fail = [&](const QString &why) {
        setError(error, QStringLiteral("O arquivo compactado %1 gravado não confere na releitura: %2").arg(archive, why));
        return false;
    };
    if (!in)
        return fail(readError);
    if (!zipNamesAgree(path, &readError))
        return fail(readError);
    struct archive_entry *entry = nullptr;
    char buffer[kBlock];
    for (const Expected &e : expected) {
        if (archive_read_next_header(in.get(), &entry) != ARCHIVE_OK)
            return fail(libraryMessage(in.get()));
        if (entryName(entry) != e.name)
            return fail(QStringLiteral("entrada %1 no lugar de %2").arg(entryName(entry), e.name));
        qint64 total = 0;
        for (;;) {
            const la_ssize_t n = archive_read_data(in.get(), buffer, sizeof buffer);
            if (n < 0)
                return fail(libraryMessage(in.get()));
            if (n == 0)
                break;
            total += n;
        }
        if (e.size >= 0 && total != e.size)
            return fail(QStringLiteral("%1 com %2 bytes em vez de %3").arg(e.name).arg(total).arg(e.size));
    }
    if (archive_read_next_header(in.get(), &entry) != ARCHIVE_EOF)
        return fail(QStringLiteral("entradas a mais"));
    return true;
}

// The temporary archive: removed unless it was renamed into place.
struct TempArchive {
    QString path;
    int fd = -1;
    bool kept = false;
    ~TempArchive()
    {
        if (fd >= 0)
            plataforma::fecha(fd);
        if (!kept && !path.isEmpty())
            QFile::remove(path);
    }
};

} // namespace

bool add(const QString &archiveGiven, const QStringList &files, QString *error)
{
    const QString archive = archivePath(archiveGiven);
    if (files.isEmpty()) {
        setError(error, QStringLiteral("Nenhum arquivo a incluir."));
        return false;
    }
    // The new entries, by bare name; a name given twice keeps the last file.
    QStringList names;
    QSet<QString> replaced;
    for (const QString &file : files) {
        const QFileInfo info(file);
        if (!info.exists()) {
            setError(error, QStringLiteral("Arquivo não encontrado: %1").arg(file));
            return false;
        }
        if (!info.isFile()) {
            setError(error, QStringLiteral("%1 não é um arquivo.").arg(file));
            return false;
        }
        names << info.fileName();
        replaced.insert(info.fileName().toLower());
    }

    const QFileInfo archiveInfo(archive);
    if (!QDir().mkpath(archiveInfo.absolutePath())) {
        setError(error, QStringLiteral("A pasta %1 não pôde ser criada.").arg(archiveInfo.absolutePath()));
        return false;
    }
    if (archiveInfo.exists() && !archiveInfo.isFile()) {
        setError(error, QStringLiteral("%1 não é um arquivo.").arg(archive));
        return false;
    }
    removeLeftovers(archiveInfo.absolutePath(), QStringLiteral(".") + archiveInfo.fileName() + QStringLiteral(".tmp-??????"));

    TempArchive temp;
    temp.path = tempPrefix(archiveInfo) + QStringLiteral("XXXXXX");
    temp.fd = plataforma::criaTemporario(temp.path);
    if (temp.fd < 0) {
        const int code = errno;
        temp.path.clear();
        setError(error, QStringLiteral("O arquivo compactado %1 não pôde ser gravado: %2").arg(archive, orva::causaDaFalha(code)));
        return false;
    }
    // Held while the file is written, so a run beside this one does not
    // take it for a leftover.
    plataforma::trava(temp.fd, true);
    plataforma::modoComum(temp.fd);
    Sink sink{temp.fd, 0};
    const auto writeFailed = [&](struct archive *a) {
        setError(error, QStringLiteral("Erro ao gravar o arquivo compactado %1: %2")
                            .arg(archive, sink.error ? orva::causaDaFalha(sink.error) : libraryMessage(a)));
        return false;
    };

    Writer out(archive_write_new());
    archive_write_set_format_zip(out.get());
    archive_write_zip_set_compression_deflate(out.get());
    archive_write_set_format_option(out.get(), "zip", "hdrcharset", "UTF-8");
    archive_write_set_bytes_in_last_block(out.get(), 1);
    if (archive_write_open2(out.get(), &sink, nullptr, writeToFile, nullptr, nullptr) != ARCHIVE_OK)
        return writeFailed(out.get());

    std::vector<Expected> expected;
    // The entries already there, except those the new files replace.
    if (archiveInfo.exists()) {
        Reader in = openReader(archive, error);
        if (!in)
            return false;
        struct archive_entry *entry = nullptr;
        for (;;) {
            const int r = archive_read_next_header(in.get(), &entry);
            if (r == ARCHIVE_EOF)
                break;
            if (r < ARCHIVE_WARN) {
                setError(error, QStringLiteral("O arquivo compactado %1 não pôde ser lido: %2").arg(archive, libraryMessage(in.get())));
                return false;
            }
            if (replaced.contains(entryName(entry).toLower()))
                continue;
            expected.push_back({entryName(entry), archive_entry_size_is_set(entry) ? qint64(archive_entry_size(entry)) : -1});
            if (archive_write_header(out.get(), entry) < ARCHIVE_WARN)
                return writeFailed(out.get());
            if (!copyData(in.get(), out.get(), archive, error))
                return sink.error ? writeFailed(out.get()) : false;
        }
    }

    for (qsizetype i = 0; i < files.size(); ++i) {
        // A bare name given twice: only its last file goes in.
        bool laterSameName = false;
        for (qsizetype j = i + 1; j < names.size(); ++j)
            laterSameName = laterSameName || names.at(j).compare(names.at(i), Qt::CaseInsensitive) == 0;
        if (laterSameName)
            continue;
        expected.push_back({names.at(i), QFileInfo(files.at(i)).size()});
        if (!addFile(out.get(), files.at(i), names.at(i), archive, error))
            return sink.error ? writeFailed(out.get()) : false;
    }

    if (archive_write_close(out.get()) != ARCHIVE_OK)
        return writeFailed(out.get());
    if (!plataforma::sincroniza(temp.fd)) {
        sink.error = errno;
        return writeFailed(out.get());
    }
    if (!verify(temp.path, expected, archive, error))
        return false;
    const int fd = temp.fd;
    temp.fd = -1;
    if (!plataforma::fecha(fd)) {
        sink.error = errno;
        return writeFailed(out.get());
    }
    if (!plataforma::substitui(temp.path, archiveInfo.absoluteFilePath())) {
        setError(error, QStringLiteral("O arquivo compactado %1 não pôde ser gravado: %2").arg(archive, orva::causaDaFalha(errno)));
        return false;
    }
    temp.kept = true;
    plataforma::sincronizaPasta(archiveInfo.absolutePath());
    return true;
}

namespace {

// What an extraction may write: a real declaration of millions of rows packs
// at most some tens to one, so output beyond this many times the archive's
// size (and beyond the floor for small archives) can only be a bomb.
constexpr qint64 kMaxRatio = 200;
constexpr qint64 kMinBound = qint64(64) << 20;
// Left free on the destination's file system.
constexpr qint64 kReserve = qint64(1) << 20;

qint64 freeSpace(const QString &folder)
{
    const QStorageInfo disk(folder);
    if (!disk.isValid() || disk.bytesAvailable() < 0)
        return std::numeric_limits<qint64>::max();
    return disk.bytesAvailable();
}

} // namespace

bool extract(const QString &archiveGiven, const QString &folderGiven, bool overwrite, ExtractReport *report,
             QString *error, const QString &only)
{
    QString archive = archiveGiven;
    if (!QFileInfo::exists(archive) && !hasExtension(archive) && QFileInfo::exists(archivePath(archive)))
        archive = archivePath(archive);
    const QFileInfo archiveInfo(archive);
    if (!archiveInfo.exists()) {
        setError(error, QStringLiteral("Arquivo compactado não encontrado: %1").arg(archiveGiven));
        return false;
    }
    if (!archiveInfo.isFile()) {
        setError(error, QStringLiteral("%1 não é um arquivo.").arg(archive));
        return false;
    }

    // The folder may come with a trailing separator of either kind.
    QString folderPath = folderGiven.isEmpty() ? QStringLiteral(".") : folderGiven;
    while (folderPath.size() > 1 && (folderPath.endsWith(QLatin1Char('/')) || folderPath.endsWith(QLatin1Char('\\'))))
        folderPath.chop(1);
    if (!QDir().mkpath(folderPath)) {
        setError(error, QStringLiteral("A pasta de destino %1 não pôde ser criada.").arg(folderPath));
        return false;
    }
    const QDir folder(folderPath);

    Reader in = openReader(archive, error);
    if (!in)
        return false;
    // A name damaged in one of its two copies is refused, never written.
    QString why;
    if (archiveInfo.size() > 0 && !zipNamesAgree(archive, &why)) {
        setError(error, QStringLiteral("O arquivo compactado %1 está danificado: %2").arg(archive, why));
        return false;
    }
    removeLeftovers(folder.absolutePath(), QStringLiteral(".rar-??????"));
    ExtractReport local;
    ExtractReport &done = report ? *report : local;

    // Every file is written under a temporary name first; only when the
    // whole archive has been read do they take their names, so a damaged
    // archive or a bomb leaves nothing behind.
    struct Part {
        std::unique_ptr<QTemporaryFile> file;
        QString path, base;
    };
    std::vector<Part> parts;
    const qint64 bound = std::max(kMinBound, kMaxRatio * archiveInfo.size());
    const qint64 room = freeSpace(folder.absolutePath()) - kReserve;
    qint64 total = 0;
    const auto tooBig = [&](qint64 size) {
        if (size > bound) {
            setError(error, QStringLiteral("O arquivo compactado %1 foi recusado: extraído, passaria de %2 bytes "
                                           "(%3 vezes o seu tamanho); parece um arquivo malicioso.")
                                .arg(archive).arg(bound).arg(kMaxRatio));
            return true;
        }
        if (size > room) {
            setError(error, QStringLiteral("Espaço livre insuficiente em %1 para extrair %2: disco cheio.")
                                .arg(folder.absolutePath(), archive));
            return true;
        }
        return false;
    };

    struct archive_entry *entry = nullptr;
    bool first = true;
    for (;;) {
        const int r = archive_read_next_header(in.get(), &entry);
        if (first && archive_format(in.get()) == ARCHIVE_FORMAT_EMPTY) {
            setError(error, QStringLiteral("O arquivo %1 está vazio; não é um arquivo compactado.").arg(archive));
            return false;
        }
        first = false;
        if (r == ARCHIVE_EOF)
            break;
        if (r < ARCHIVE_WARN) {
            setError(error, QStringLiteral("O arquivo compactado %1 está danificado: %2").arg(archive, libraryMessage(in.get())));
            return false;
        }

        // Only plain files, and only under their bare names: no entry can
        // reach outside the folder, create a link or a folder.
        const QString name = entryName(entry);
        const QString base = bareName(name);
        if (!only.isEmpty() && base.compare(only, Qt::CaseInsensitive) != 0)
            continue;
        if (archive_entry_filetype(entry) != AE_IFREG || archive_entry_hardlink(entry) || base.isEmpty()
            || base == QLatin1String(".") || base == QLatin1String("..")) {
            done.ignored << name;
            continue;
        }
        if (!only.isEmpty() && !parts.empty()) {
            setError(error, QStringLiteral("O arquivo compactado %1 tem mais de uma entrada %2.").arg(archive, only));
            return false;
        }
        const QString path = folder.filePath(base);
        const QFileInfo existing(path);
        if ((existing.exists() || existing.isSymLink()) && !overwrite) {
            done.kept << base;
            continue;
        }
        if (existing.isDir() && !existing.isSymLink()) {
            setError(error, QStringLiteral("%1 é uma pasta; o arquivo não pôde ser extraído.").arg(path));
            return false;
        }
        const qint64 declared = archive_entry_size_is_set(entry) ? qint64(archive_entry_size(entry)) : -1;
        if (declared > 0 && tooBig(total + declared))
            return false;

        auto part = std::make_unique<QTemporaryFile>(folder.filePath(QStringLiteral(".rar-XXXXXX")));
        if (!part->open()) {
            setError(error, QStringLiteral("O arquivo %1 não pôde ser gravado: %2").arg(path, part->errorString()));
            return false;
        }
        plataforma::trava(part->handle(), true); // see removeLeftovers
        char buffer[kBlock];
        qint64 size = 0;
        for (;;) {
            const la_ssize_t n = archive_read_data(in.get(), buffer, sizeof buffer);
            if (n == 0)
                break;
            if (n < 0) {
                setError(error, QStringLiteral("O arquivo compactado %1 está danificado: %2").arg(archive, libraryMessage(in.get())));
                return false;
            }
            size += n;
            if (declared >= 0 && size > declared) {
                setError(error, QStringLiteral("O arquivo compactado %1 está danificado: a entrada %2 tem mais dados "
                                               "que os %3 bytes declarados.")
                                    .arg(archive, name).arg(declared));
                return false;
            }
            if (tooBig(total + size))
                return false;
            if (part->write(buffer, n) != n) {
                setError(error, QStringLiteral("O arquivo %1 não pôde ser gravado: %2").arg(path, part->errorString()));
                return false;
            }
        }
        if (declared >= 0 && size != declared) {
            setError(error, QStringLiteral("O arquivo compactado %1 está danificado: a entrada %2 tem %3 bytes em vez "
                                           "dos %4 declarados.")
                                .arg(archive, name).arg(size).arg(declared));
            return false;
        }
        total += size;
        if (!part->flush()) {
            setError(error, QStringLiteral("O arquivo %1 não pôde ser gravado: %2").arg(path, part->errorString()));
            return false;
        }
        part->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                             | QFileDevice::ReadOther);
        if (archive_entry_mtime_is_set(entry))
            part->setFileTime(QDateTime::fromSecsSinceEpoch(archive_entry_mtime(entry)), QFileDevice::FileModificationTime);
        // A later entry of the same bare name replaces an earlier one.
        for (auto it = parts.begin(); it != parts.end(); ++it)
            if (it->base == base) {
                parts.erase(it);
                break;
            }
        parts.push_back({std::move(part), path, base});
    }

    if (parts.empty() && done.kept.isEmpty()) {
        setError(error, only.isEmpty()
                            ? QStringLiteral("Nenhum arquivo foi extraído de %1: o arquivo compactado não tem arquivos "
                                             "ou está danificado.").arg(archive)
                            : QStringLiteral("O arquivo compactado %1 não contém o arquivo %2.").arg(archive, only));
        return false;
    }
    // Read to its end; closed before any name is replaced, as the archive
    // itself may be one of them (Windows replaces no file that is open).
    in.reset();
    for (Part &p : parts) {
        // The name itself is replaced: an existing link is replaced, never
        // followed.
        if (!plataforma::substituiAberto(*p.file, p.path)) {
            setError(error, QStringLiteral("O arquivo %1 não pôde ser gravado: %2").arg(p.path, orva::causaDaFalha(errno)));
            return false;
        }
        p.file->setAutoRemove(false);
        done.written << p.base;
    }
    return true;
}

QString usage()
{
    return QStringLiteral(
        "Uso:\n"
        "  rar a [-va] ARQUIVO_COMPACTADO ARQUIVO...\n"
        "      Inclui cada ARQUIVO só com o seu nome (sem pastas), substituindo a\n"
        "      entrada de mesmo nome (maiúsculas e minúsculas não diferem) e mantendo\n"
        "      as demais. Sem extensão no nome, o arquivo compactado recebe \".rar\".\n"
        "      Grava um contêiner ZIP (deflate); as pastas que faltarem no caminho\n"
        "      são criadas. O arquivo compactado só é substituído quando o novo está\n"
        "      completo.\n"
        "      -va  aceita por compatibilidade; não muda nada.\n"
        "  rar e [-y] [-nNOME] ARQUIVO_COMPACTADO [DESTINO]\n"
        "      Extrai cada arquivo, sem os caminhos, para a pasta DESTINO (a pasta\n"
        "      atual quando omitida; criada se faltar). Lê só ZIP (o que o comando a\n"
        "      grava), conferindo o CRC de cada entrada e o nome de cada uma nas\n"
        "      suas duas cópias; outros formatos são recusados.\n"
        "      Pastas, atalhos e entradas sem nome utilizável são ignorados.\n"
        "      Nada é gravado se o arquivo compactado estiver danificado, se nada\n"
        "      for extraído, se faltar espaço livre ou se o extraído passar de 200\n"
        "      vezes o tamanho do arquivo compactado (no mínimo 64 MiB).\n"
        "      -y      substitui os arquivos que já existem. Sem -y eles são mantidos,\n"
        "              cada um é avisado na saída de erros e o código de saída é 1.\n"
        "      -nNOME  extrai só a entrada chamada NOME (maiúsculas e minúsculas\n"
        "              não diferem); falta dela é um erro.\n"
        "  rar --help\n"
        "      Mostra este texto.\n"
        "  rar --version\n"
        "      Mostra a versão.\n"
        "\n"
        "Opções são aceitas em maiúsculas ou minúsculas; \"--\" encerra as opções.\n"
        "Código de saída: 0 sucesso; 1 erro ao ler ou gravar (ou arquivo mantido\n"
        "sem -y); 2 linha de comando inválida.\n");
}

int runCommand(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    auto bad = [&](const QString &text) {
        err << "rar: " << text << "\nUse \"rar --help\" para ver o uso.\n";
        err.flush();
        return 2;
    };
    if (arguments.isEmpty()) {
        err << usage();
        err.flush();
        return 2;
    }
    const QString command = arguments.first().toLower();
    if (command == QLatin1String("--help") || command == QLatin1String("-h") || command == QLatin1String("-?")
        || command == QLatin1String("/?")) {
        out << usage();
        out.flush();
        return 0;
    }
    if (command != QLatin1String("a") && command != QLatin1String("e"))
        return bad(QStringLiteral("comando desconhecido: %1").arg(arguments.first()));

    bool yes = false;
    QString only;
    bool switchesEnded = false;
    QStringList names;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        if (!switchesEnded && arg == QLatin1String("--")) {
            switchesEnded = true;
        } else if (!switchesEnded && arg.startsWith(QLatin1Char('-'))) {
            const QString sw = arg.toLower();
            if (sw == QLatin1String("-y"))
                yes = true;
            else if (sw == QLatin1String("-va") && command == QLatin1String("a"))
                ; // accepted, changes nothing
            else if (sw.startsWith(QLatin1String("-n")) && arg.size() > 2 && command == QLatin1String("e"))
                only = arg.mid(2);
            else
                return bad(QStringLiteral("opção desconhecida para o comando %1: %2").arg(command, arg));
        } else if (arg.isEmpty()) {
            return bad(QStringLiteral("nome de arquivo vazio na linha de comando."));
        } else {
            names << arg;
        }
    }

    QString error;
    if (command == QLatin1String("a")) {
        if (names.size() < 2)
            return bad(QStringLiteral("o comando a precisa do arquivo compactado e de ao menos um arquivo."));
        if (!add(names.first(), names.mid(1), &error)) {
            err << "rar: " << error << '\n';
            err.flush();
            return 1;
        }
        out << "Compactado: " << archivePath(names.first()) << '\n';
        out.flush();
        return 0;
    }

    if (names.isEmpty() || names.size() > 2)
        return bad(QStringLiteral("o comando e precisa do arquivo compactado e, se quiser, da pasta de destino."));
    ExtractReport report;
    const bool ok = extract(names.first(), names.value(1), yes, &report, &error, only);
    for (const QString &name : std::as_const(report.written))
        out << "Extraído: " << name << '\n';
    for (const QString &name : std::as_const(report.ignored))
        out << "Ignorado (não é um arquivo comum ou não tem nome utilizável): " << name << '\n';
    out.flush();
    for (const QString &name : std::as_const(report.kept))
        err << "rar: " << name << " já existe; mantido (use -y para substituir).\n";
    if (!ok)
        err << "rar: " << error << '\n';
    err.flush();
    return ok && report.kept.isEmpty() ? 0 : 1;
}

} // namespace orva::rar
