#include "win1252.h"

#include "errors.h"

#include "plataforma/cp1252.h"

namespace orva::win1252 {

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
    qsizetype parada = 0;
    QByteArray out = plataforma::cp1252::codifica(text, parada);
    if (parada == text.size())
        return out;
    const bool par = parada + 1 < text.size() && text.at(parada).isHighSurrogate() && text.at(parada + 1).isLowSurrogate();
    const QString ch = text.mid(parada, par ? 2 : 1);
    const char32_t code = par ? QChar::surrogateToUcs4(text.at(parada), text.at(parada + 1)) : text.at(parada).unicode();
    throw Error(QStringLiteral("O caractere \"%1\" (U+%2) não pode ser gravado no padrão Windows-1252. "
                               "Troque-o por outro caractere e tente novamente.")
                    .arg(ch, QString::number(static_cast<uint>(code), 16).toUpper().rightJustified(4, QLatin1Char('0'))));
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

QString decode(const QByteArray &bytes) { return plataforma::cp1252::decodifica(bytes); }

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
