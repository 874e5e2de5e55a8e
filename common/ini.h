#pragma once
#include <QString>
#include <QStringList>

#include <vector>

// Settings files with sections and keys ("[SECTION]", "key=value"), read and
// written in Windows-1252 with CR LF line ends. Sections and keys are found
// whatever their letter case; writing keeps the order of the lines and every
// line it does not touch (comments, unknown keys) as it stands.
namespace orva {

class IniFile {
public:
    // An empty file; nothing is read.
    IniFile() = default;

    // Reads `path`. False when the file does not exist or cannot be read
    // (then the object is empty); a file that exists is read whole.
    bool load(const QString &path);
    // Parses text already in memory (lines ended by CR LF or LF).
    void parse(const QString &text);

    bool hasSection(const QString &section) const;
    bool hasKey(const QString &section, const QString &key) const;
    // The value of the key, blanks around it removed; `fallback` when the
    // section or the key is missing.
    QString value(const QString &section, const QString &key, const QString &fallback = QString()) const;
    // The keys of a section in file order.
    QStringList keys(const QString &section) const;

    // Replaces the value of an existing key where it stands, or appends the
    // key at the end of its section (the section is appended to the file when
    // missing). A value holding a line break is refused (orva::Error): it
    // would turn into lines of its own.
    void setValue(const QString &section, const QString &key, const QString &value);

    // The file's text: CR LF after every line.
    QString text() const;
    // Writes the file in Windows-1252 under a temporary name and moves it into
    // place, so a failure never leaves half a file. Throws orva::Error with a
    // message naming the file when it cannot be written.
    void save(const QString &path) const;

private:
    struct Line {
        QString raw;     // the line as read or written
        QString section; // for a section header: its name
        QString key;     // for a key line: its key; empty otherwise
        bool isSection = false;
    };
    // Index range [begin, end) of the lines of a section's body; begin is -1
    // when the section is missing.
    std::pair<qsizetype, qsizetype> sectionRange(const QString &section) const;
    qsizetype findKey(const QString &section, const QString &key) const;
    static Line parseLine(const QString &raw);

    std::vector<Line> m_lines;
};

} // namespace orva
