#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>
#include <utility>

// An INI text file as the panel's settings file uses it: "[section]" lines
// followed by "key=value" lines, 8-bit text (Windows-1252).
//
// Reading: section and key names match without regard to letter case and
// surrounding blanks; the first matching section and the first matching key in
// it win (a later section of the same name is never looked at); blanks (spaces
// and tabs) around a value are not part of the value; lines starting with ';'
// or '#' are comments; lines before the first section and lines that are
// neither a section nor an entry are kept but never match. A line "[" without
// a closing "]" is such an odd line: it does not end the section it stands in.
// An entry whose key is empty ("=x") never matches. Line ends may be CR LF, LF
// or CR, mixed.
//
// Writing changes only the line of the entry written: an existing key keeps its
// spelling and everything before its '='; a missing key is appended at the end
// of its section (directly after the section's last entry line, or after the
// section line when it has no entry, so comments and blank lines that lead
// into the next section stay with it); a missing section is appended at the
// end of the file. Every other byte of the file stays as it was, except that a
// last line without line end gets one when a line is added behind it. An
// inserted key line takes the line end of the line it follows; other new lines
// use the file's first line end (LF for a new file on Unix, CR LF on Windows).
//
// The document keeps the file's bytes as they are and scans them for every
// query, so memory is the size of the file and every operation is linear in
// it, whatever the bytes are.
// Where a text stands without the blanks (spaces and tabs) around it: the
// part [from, to) of `text` narrowed to [first, second). For the file's bytes
// and for names and values alike.
template <typename Text>
std::pair<qsizetype, qsizetype> withoutBlanks(const Text &text, qsizetype from, qsizetype to)
{
    const auto blank = [&text](qsizetype i) { return text[i] == ' ' || text[i] == '\t'; };
    while (from < to && blank(from))
        ++from;
    while (to > from && blank(to - 1))
        --to;
    return {from, to};
}

// A text without the blanks around it.
QString trimBlanks(const QString &text);

class IniDocument
{
public:
    // An empty document (as for a file that does not exist).
    IniDocument() = default;

    // Parses bytes as read from a file. Never fails: any bytes are a document.
    static IniDocument fromBytes(const QByteArray &bytes);

    // Reads the file; a missing or unreadable file (or a folder) gives an empty
    // document. At most maxFileBytes are read, so a runaway file cannot
    // exhaust memory. A document that does not hold the whole of an existing
    // file (it was longer than maxFileBytes, or could not be read) answers
    // queries from what it holds but refuses to be saved.
    static IniDocument load(const QString &path);

    bool hasSection(const QString &section) const;
    // The value of key in section, blanks around it removed; nullopt when the
    // section or the key is missing.
    std::optional<QString> value(const QString &section, const QString &key) const;
    // Every entry of the first matching section, in file order, as (key, value);
    // a key that occurs twice is listed once, with its first value.
    QList<QPair<QString, QString>> entries(const QString &section) const;

    // Does nothing when the entry cannot be written so that it reads back: an
    // empty section or key name, a section name with ']', a key name with '='
    // or starting with '[', ';' or '#', a name outside Windows-1252, or a line
    // break in any of the three texts.
    void setValue(const QString &section, const QString &key, const QString &value);

    QByteArray toBytes() const;

    // Writes the document atomically (FileReplace): the file is replaced only
    // when the new text is complete on disk, so a crash or a full disk leaves
    // either the old file or the new one. Returns false when it cannot be
    // written (a file protected by the operator, read-only folder, path that
    // is a folder, full disk); the old file is then intact. A document that
    // does not hold its whole file is never saved.
    bool save(const QString &path) const;
    // A file without any write permission bit is read-only for every user,
    // root included: the operator who made it so wants it left alone.
    static bool protectedByOperator(const QString &path);

    static constexpr qint64 maxFileBytes = 16 * 1024 * 1024;

private:
    // One line of m_bytes: [start, textEnd) is its text, [textEnd, next) its
    // line end ("\r\n", "\n", "\r" or nothing for an unterminated last line).
    struct LineSpan
    {
        qsizetype start = 0;
        qsizetype textEnd = 0;
        qsizetype next = 0;
    };
    enum class LineKind
    {
        Other,
        Section,
        Entry
    };
    // What a line is; for a section line name is its name, for an entry line
    // name is its key and [valueStart, valueEnd) its value, blanks removed.
    struct LineInfo
    {
        LineKind kind = LineKind::Other;
        qsizetype nameStart = 0;
        qsizetype nameEnd = 0;
        qsizetype equalsPos = 0;
        qsizetype valueStart = 0;
        qsizetype valueEnd = 0;
    };
    // Where key stands in the first section matching name: the entry's line
    // when the key is there, else the section's last entry line, else the
    // section line itself (the line a new key goes behind).
    struct Lookup
    {
        bool sectionFound = false;
        bool keyFound = false;
        LineSpan anchor; // matching entry, else last entry line, else section line
        LineInfo anchorInfo;
    };

    bool nextLine(LineSpan &line) const;
    LineInfo classify(const LineSpan &line) const;
    bool nameMatches(qsizetype start, qsizetype end, const QString &name) const;
    Lookup find(const QString &section, const QString &key) const;
    QByteArray lineEnd() const;

    QByteArray m_bytes;
    QByteArray m_newline;
    bool m_whole = true; // false when m_bytes is only part of the file loaded
};
