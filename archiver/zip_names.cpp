#include "zip_names.h"

#include <QFile>

#include <algorithm>

namespace orva::rar {
namespace {

constexpr quint32 kEndSignature = 0x06054b50;
constexpr quint32 kEnd64Locator = 0x07064b50;
constexpr quint32 kEnd64Signature = 0x06064b50;
constexpr quint32 kCentralSignature = 0x02014b50;
constexpr quint32 kLocalSignature = 0x04034b50;
constexpr qint64 kEndSize = 22;
constexpr qint64 kMaxComment = 0xFFFF;

quint64 little(const QByteArray &b, qsizetype at, int bytes)
{
    quint64 v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(b.at(at + i));
    return v;
}

QByteArray readAt(QFile &f, qint64 at, qint64 size)
{
    if (at < 0 || size < 0 || !f.seek(at))
        return {};
    return f.read(size);
}

// Where the central directory starts and how many entries it holds.
struct Directory {
    quint64 offset = 0, size = 0, entries = 0;
};

bool findDirectory(QFile &f, Directory *d)
{
    const qint64 fileSize = f.size();
    const qint64 tailStart = std::max<qint64>(0, fileSize - kEndSize - kMaxComment);
    const QByteArray tail = readAt(f, tailStart, fileSize - tailStart);
    for (qsizetype at = tail.size() - kEndSize; at >= 0; --at) {
        if (little(tail, at, 4) != kEndSignature || at + kEndSize + qsizetype(little(tail, at + 20, 2)) != tail.size())
            continue;
        d->entries = little(tail, at + 10, 2);
        d->size = little(tail, at + 12, 4);
        d->offset = little(tail, at + 16, 4);
        if (d->entries != 0xFFFF && d->size != 0xFFFFFFFF && d->offset != 0xFFFFFFFF)
            return true;
        // ZIP64: the locator just before the end record names the real one.
        const qint64 end = tailStart + at;
        const QByteArray locator = readAt(f, end - 20, 20);
        if (locator.size() != 20 || little(locator, 0, 4) != kEnd64Locator)
            return false;
        const QByteArray end64 = readAt(f, qint64(little(locator, 8, 8)), 56);
        if (end64.size() != 56 || little(end64, 0, 4) != kEnd64Signature)
            return false;
        d->entries = little(end64, 32, 8);
        d->size = little(end64, 40, 8);
        d->offset = little(end64, 48, 8);
        return true;
    }
    return false;
}

// The local header's offset of a central entry, from its ZIP64 field when
// the 32-bit one is saturated.
quint64 localOffset(const QByteArray &cd, qsizetype at, int nameLength, int extraLength)
{
    quint64 offset = little(cd, at + 42, 4);
    if (offset != 0xFFFFFFFF)
        return offset;
    qsizetype p = at + 46 + nameLength;
    const qsizetype end = p + extraLength;
    while (p + 4 <= end) {
        const quint64 id = little(cd, p, 2), length = little(cd, p + 2, 2);
        if (id == 0x0001) {
            // Uncompressed and compressed sizes come first when they too are saturated.
            qsizetype field = p + 4;
            if (little(cd, at + 24, 4) == 0xFFFFFFFF)
                field += 8;
            if (little(cd, at + 20, 4) == 0xFFFFFFFF)
                field += 8;
            return field + 8 <= end ? little(cd, field, 8) : ~quint64(0);
        }
        p += 4 + qsizetype(length);
    }
    return ~quint64(0);
}

} // namespace

bool zipNamesAgree(const QString &path, QString *why)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *why = f.errorString();
        return false;
    }
    Directory d;
    if (!findDirectory(f, &d) || d.offset + d.size > quint64(f.size())) {
        *why = QStringLiteral("o diretório central do arquivo ZIP não foi encontrado");
        return false;
    }
    const QByteArray cd = readAt(f, qint64(d.offset), qint64(d.size));
    if (quint64(cd.size()) != d.size) {
        *why = QStringLiteral("o diretório central do arquivo ZIP não pôde ser lido");
        return false;
    }
    qsizetype at = 0;
    for (quint64 i = 0; i < d.entries; ++i) {
        if (at + 46 > cd.size() || little(cd, at, 4) != kCentralSignature) {
            *why = QStringLiteral("o diretório central do arquivo ZIP está danificado");
            return false;
        }
        const int nameLength = int(little(cd, at + 28, 2));
        const int extraLength = int(little(cd, at + 30, 2));
        const int commentLength = int(little(cd, at + 32, 2));
        if (at + 46 + nameLength + extraLength + commentLength > cd.size()) {
            *why = QStringLiteral("o diretório central do arquivo ZIP está danificado");
            return false;
        }
        const QByteArray name = cd.mid(at + 46, nameLength);
        const quint64 offset = localOffset(cd, at, nameLength, extraLength);
        const QByteArray local = offset < quint64(f.size()) ? readAt(f, qint64(offset), 30) : QByteArray();
        const bool agree = local.size() == 30 && little(local, 0, 4) == kLocalSignature
                           && int(little(local, 26, 2)) == nameLength
                           && readAt(f, qint64(offset) + 30, nameLength) == name;
        if (!agree) {
            *why = QStringLiteral("o nome da entrada %1 está danificado (difere entre o cabeçalho e o diretório "
                                  "central)").arg(QString::fromUtf8(name));
            return false;
        }
        at += 46 + nameLength + extraLength + commentLength;
    }
    return true;
}

} // namespace orva::rar
