#include "ini.h"

#include "errors.h"
#include "win1252.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace orva {

IniFile::Line IniFile::parseLine(const QString &raw)
{
    Line line;
    line.raw = raw;
    const QString t = raw.trimmed();
    if (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']'))) {
        line.isSection = true;
        line.section = t.mid(1, t.size() - 2).trimmed();
        return line;
    }
    if (t.startsWith(QLatin1Char(';')))
        return line;
    const qsizetype eq = t.indexOf(QLatin1Char('='));
    if (eq > 0)
        line.key = t.left(eq).trimmed();
    return line;
}

bool IniFile::load(const QString &path)
{
    m_lines.clear();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    parse(win1252::decode(f.readAll()));
    return true;
}

void IniFile::parse(const QString &text)
{
    m_lines.clear();
    QStringList lines = text.split(QLatin1Char('\n'));
    // A final line end leaves one empty piece that is not a line.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString &l : lines) {
        if (l.endsWith(QLatin1Char('\r')))
            l.chop(1);
        m_lines.push_back(parseLine(l));
    }
}

std::pair<qsizetype, qsizetype> IniFile::sectionRange(const QString &section) const
{
    const qsizetype n = static_cast<qsizetype>(m_lines.size());
    for (qsizetype i = 0; i < n; ++i) {
        if (!m_lines[i].isSection || m_lines[i].section.compare(section, Qt::CaseInsensitive) != 0)
            continue;
        qsizetype end = i + 1;
        while (end < n && !m_lines[end].isSection)
            ++end;
        return {i + 1, end};
    }
    return {-1, -1};
}

qsizetype IniFile::findKey(const QString &section, const QString &key) const
{
    const auto [begin, end] = sectionRange(section);
    for (qsizetype i = begin; begin >= 0 && i < end; ++i)
        if (!m_lines[i].key.isEmpty() && m_lines[i].key.compare(key, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool IniFile::hasSection(const QString &section) const { return sectionRange(section).first >= 0; }

bool IniFile::hasKey(const QString &section, const QString &key) const { return findKey(section, key) >= 0; }

QString IniFile::value(const QString &section, const QString &key, const QString &fallback) const
{
    const qsizetype i = findKey(section, key);
    if (i < 0)
        return fallback;
    const QString &raw = m_lines[i].raw;
    return raw.mid(raw.indexOf(QLatin1Char('=')) + 1).trimmed();
}

QStringList IniFile::keys(const QString &section) const
{
    QStringList out;
    const auto [begin, end] = sectionRange(section);
    for (qsizetype i = begin; begin >= 0 && i < end; ++i)
        if (!m_lines[i].key.isEmpty())
            out << m_lines[i].key;
    return out;
}

void IniFile::setValue(const QString &section, const QString &key, const QString &value)
{
    if (value.contains(QLatin1Char('\r')) || value.contains(QLatin1Char('\n')))
        throw Error(QStringLiteral("O valor da chave %1 não pode conter quebra de linha.").arg(key));
    Line line = parseLine(key + QLatin1Char('=') + value);
    const qsizetype existing = findKey(section, key);
    if (existing >= 0) {
        m_lines[existing] = line;
        return;
    }
    auto [begin, end] = sectionRange(section);
    if (begin < 0) {
        m_lines.push_back(parseLine(QLatin1Char('[') + section + QLatin1Char(']')));
        m_lines.push_back(line);
        return;
    }
    // After the section's last key, so blank lines separating it from the
    // next section stay where they are.
    qsizetype at = end;
    while (at > begin && m_lines[at - 1].key.isEmpty() && m_lines[at - 1].raw.trimmed().isEmpty())
        --at;
    m_lines.insert(m_lines.begin() + at, line);
}

QString IniFile::text() const
{
    QString out;
    for (const Line &l : m_lines)
        out += l.raw + QLatin1String("\r\n");
    return out;
}

void IniFile::save(const QString &path) const
{
    const QByteArray bytes = win1252::encode(text());
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
        throw Error(QStringLiteral("Não foi possível gravar o arquivo %1: %2")
                        .arg(QFileInfo(path).absoluteFilePath(), f.errorString()));
}

} // namespace orva
