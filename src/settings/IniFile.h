#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// An INI text file as the panel's settings file uses it: "[section]" lines
// followed by "key=value" lines, 8-bit text (Windows-1252).
//
// Reading: section and key names match without regard to letter case and
// surrounding blanks; the first matching section and the first matching key in
// it win; blanks (spaces and tabs) around a value are not part of the value;
// lines starting with ';' or '#' are comments; lines before the first section
// and lines that are neither a section nor an entry are kept but never match.
// Line ends may be CR LF, LF or CR, mixed.
//
// Writing changes only the line of the entry written: an existing key keeps its
// spelling and everything before its '='; a missing key is appended at the end
// of its section (after the section's last entry line); a missing section is
// appended at the end of the file. Every other byte of the file stays as it
// was. New lines use the line end the file already uses (LF for a new file on
// Unix, CR LF on Windows).
class IniDocument
{
public:
    // An empty document (as for a file that does not exist).
    IniDocument() = default;

    // Parses bytes as read from a file. Never fails: any bytes are a document.
    static IniDocument fromBytes(const QByteArray &bytes);

    // Reads the file; a missing or unreadable file (or a folder) gives an empty
    // document. At most maxFileBytes are read, so a runaway file cannot
    // exhaust memory.
    static IniDocument load(const QString &path);

    bool hasSection(const QString &section) const;
    // The value of key in section, blanks around it removed; nullopt when the
    // section or the key is missing.
    std::optional<QString> value(const QString &section, const QString &key) const;
    // Every entry of the first matching section, in file order, as (key, value).
    QList<QPair<QString, QString>> entries(const QString &section) const;

    void setValue(const QString &section, const QString &key, const QString &value);

    QByteArray toBytes() const;

    // Writes the document atomically: the file is replaced only when the new
    // text is complete on disk, so a crash leaves either the old file or the
    // new one. Returns false when it cannot be written (read-only file or
    // folder, path that is a folder, full disk); the old file is then intact.
    bool save(const QString &path) const;

    static constexpr qint64 maxFileBytes = 16 * 1024 * 1024;

private:
    struct Line
    {
        QByteArray text; // the line without its line end
        QByteArray end;  // "\r\n", "\n", "\r" or "" (last line)
    };
    QList<Line> m_lines;
    QByteArray m_newline;
};

// The two operations of the settings-file facility, one entry per call.
// readProfileValue: the value text, or defaultText when the file, the section
// or the key is missing; at most bufferSize - 1 characters are returned.
QString readProfileValue(const QString &path, const QString &section, const QString &key,
                         const QString &defaultText, int bufferSize);
// writeProfileValue: creates file, section and key as needed; reports success.
bool writeProfileValue(const QString &path, const QString &section, const QString &key,
                       const QString &value);
