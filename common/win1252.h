#pragma once
#include <QByteArray>
#include <QString>

// Text that crosses a file or the wire is Windows-1252: one byte a character.
namespace orva::win1252 {

// Refuses (orva::Error naming the character) any text that the code page
// cannot carry; nothing is ever replaced silently.
QByteArray encode(const QString &text);

// Appends the encoded text to `out` (the same rules as encode()).
void appendEncoded(QByteArray &out, const QString &text);

// Every byte decodes: the five bytes the code page leaves undefined come back
// as the control characters of the same value, as Windows reads them.
QString decode(const QByteArray &bytes);

// True when encode() would accept the text.
bool canEncode(const QString &text);

} // namespace orva::win1252
