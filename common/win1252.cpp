#include "win1252.h"

#include "errors.h"

#include <QList>

#include <iconv.h>

#include <cerrno>

namespace orva::win1252 {
namespace {

// The bytes Windows-1252 leaves undefined; Windows maps them to U+0081 etc.
bool isUndefinedByte(unsigned value)
{
    return value == 0x81 || value == 0x8D || value == 0x8F || value == 0x90 || value == 0x9D;
}

class Converter {
public:
    Converter(const char *to, const char *from) : m_cd(iconv_open(to, from))
    {
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            throw Error(QStringLiteral("Conversão de texto %1 para %2 indisponível neste sistema.")
                            .arg(QLatin1String(from), QLatin1String(to)));
    }
    ~Converter() { iconv_close(m_cd); }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    // Converts as much as it can; returns false and leaves `in` at the byte
    // that could not be converted.
    bool run(const char *&in, size_t &inLeft, QByteArray &out)
    {
        char buffer[4096];
        while (inLeft > 0) {
            char *outPtr = buffer;
            size_t outLeft = sizeof buffer;
            const size_t rc = iconv(m_cd, const_cast<char **>(&in), &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<qsizetype>(outPtr - buffer));
            if (rc != static_cast<size_t>(-1))
                continue;
            if (errno == E2BIG)
                continue;
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
            return false;
        }
        return true;
    }

private:
    iconv_t m_cd;
};

int utf8Length(unsigned char lead)
{
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;
}

} // namespace

QByteArray encode(const QString &text)
{
    // Plain ASCII is the same in both: no conversion needed.
    bool ascii = true;
    for (const QChar c : text) {
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return text.toLatin1();
    const QByteArray utf8 = text.toUtf8();
    Converter cv("CP1252", "UTF-8");
    QByteArray out;
    out.reserve(utf8.size());
    const char *in = utf8.constData();
    size_t left = static_cast<size_t>(utf8.size());
    while (!cv.run(in, left, out)) {
        const int len = std::min<int>(utf8Length(static_cast<unsigned char>(*in)), static_cast<int>(left));
        const QString ch = QString::fromUtf8(in, len);
        const char32_t code = ch.isEmpty() ? 0 : ch.toUcs4().value(0);
        if (isUndefinedByte(code)) {
            out.append(static_cast<char>(code));
            in += len;
            left -= static_cast<size_t>(len);
            continue;
        }
        throw Error(QStringLiteral("O caractere \"%1\" (U+%2) não pode ser gravado no padrão Windows-1252. "
                                   "Troque-o por outro caractere e tente novamente.")
                        .arg(ch, QString::number(static_cast<uint>(code), 16).toUpper().rightJustified(4, QLatin1Char('0'))));
    }
    return out;
}

void appendEncoded(QByteArray &out, const QString &text)
{
    const qsizetype start = out.size();
    out.resize(start + text.size());
    char *dst = out.data() + start;
    for (const QChar c : text) {
        if (c.unicode() >= 0x80) {
            out.truncate(start);
            out += encode(text);
            return;
        }
        *dst++ = static_cast<char>(c.unicode());
    }
}

QString decode(const QByteArray &bytes)
{
    Converter cv("UTF-8", "CP1252");
    QByteArray out;
    out.reserve(bytes.size() + bytes.size() / 4);
    const char *in = bytes.constData();
    size_t left = static_cast<size_t>(bytes.size());
    while (!cv.run(in, left, out)) {
        // Only the undefined bytes can stop the conversion of a single-byte set.
        const unsigned char byte = static_cast<unsigned char>(*in);
        out.append(QString(QChar(byte)).toUtf8());
        ++in;
        --left;
    }
    return QString::fromUtf8(out);
}

bool canEncode(const QString &text)
{
    try {
        encode(text);
        return true;
    } catch (const Error &) {
        return false;
    }
}

} // namespace orva::win1252
