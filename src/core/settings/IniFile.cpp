#include "settings/IniFile.h"

#include "Platform.h"
#include "files/FileReplace.h"
#include "protocol/AnsiText.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <cstring>
#include <tuple>

namespace {

char16_t asciiLower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
}

bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

// Notepad and friends put this in front of UTF-8 text; it must not hide the
// first section of a file the operator edited by hand.
constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";

bool hasLineBreak(const QString &text)
{
    return text.contains(u'\r') || text.contains(u'\n');
}

bool survivesEncoding(const QString &text)
{
    return AnsiText::decode(AnsiText::encode(text)) == text;
}

// Whether "[section]" and "key=value" lines can be written so that a later
// read finds exactly this entry again. Names are already trimmed.
bool isWritableEntry(const QString &section, const QString &key, const QString &value)
{
    if (section.isEmpty() || key.isEmpty())
        return false;
    if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value))
        return false;
    if (section.contains(u']') || key.contains(u'='))
        return false;
    const QChar first = key.front();
    if (first == u'[' || first == u';' || first == u'#')
        return false;
    return survivesEncoding(section) && survivesEncoding(key);
}

} // namespace

QString trimBlanks(const QString &text)
{
    const auto [from, to] = withoutBlanks(text, 0, text.size());
    return text.mid(from, to - from);
}

IniDocument IniDocument::fromBytes(const QByteArray &bytes)
{
    IniDocument doc;
    doc.m_bytes = bytes;
    const char *data = bytes.constData();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (data[i] == '\n') {
            doc.m_newline = QByteArrayLiteral("\n");
            break;
        }
        if (data[i] == '\r') {
            const bool crlf = i + 1 < bytes.size() && data[i + 1] == '\n';
            doc.m_newline = crlf ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\r");
            break;
        }
    }
    return doc;
}

IniDocument IniDocument::load(const QString &path)
{
    IniDocument doc;
    const QFileInfo info(path);
    // Only a regular file is read: a folder holds no entries, and opening a
    // FIFO or a device could block or never end.
    if (!info.exists() || !info.isFile())
        return doc;

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        doc.m_whole = false;
        return doc;
    }
    // Read one byte more than allowed to tell a file of exactly maxFileBytes
    // from a longer one. The first request covers the whole of a normal file.
    QByteArray bytes;
    qint64 request = std::min(file.size(), maxFileBytes) + 1;
    bytes.reserve(request);
    for (;;) {
        const qsizetype have = bytes.size();
        const qint64 room = maxFileBytes + 1 - have;
        if (room <= 0)
            break;
        const qint64 chunk = std::min(request, room);
        bytes.resize(have + chunk);
        const qint64 got = file.read(bytes.data() + have, chunk);
        if (got < 0) {
            doc.m_whole = false;
            return doc;
        }
        bytes.resize(have + got);
        if (got == 0)
            break;
        request = 64 * 1024;
    }

    // A longer file is no settings file the panel wrote, but it may be the
    // operator's: read what fits and never write the cut copy back over it.
    const bool whole = bytes.size() <= maxFileBytes;
    if (!whole)
        bytes.truncate(maxFileBytes);
    doc = fromBytes(bytes);
    doc.m_whole = whole;
    return doc;
}

bool IniDocument::nextLine(LineSpan &line) const
{
    const qsizetype size = m_bytes.size();
    const qsizetype start = line.next;
    if (start >= size)
        return false;
    const char *data = m_bytes.constData();
    qsizetype pos = start;
    while (pos < size && !isLineEnd(data[pos]))
        ++pos;
    line.start = start;
    line.textEnd = pos;
    if (pos < size) {
        const bool crlf = data[pos] == '\r' && pos + 1 < size && data[pos + 1] == '\n';
        pos += crlf ? 2 : 1;
    }
    line.next = pos;
    return true;
}

IniDocument::LineInfo IniDocument::classify(const LineSpan &line) const
{
    LineInfo info;
    const char *data = m_bytes.constData();
    qsizetype pos = line.start;
    const qsizetype end = line.textEnd;
    constexpr qsizetype markSize = sizeof(kUtf8Mark) - 1;
    if (pos == 0 && end >= markSize && std::memcmp(data, kUtf8Mark, markSize) == 0)
        pos += markSize;
    pos = withoutBlanks(data, pos, end).first;
    if (pos == end || data[pos] == ';' || data[pos] == '#')
        return info;

    if (data[pos] == '[') {
        const void *close = std::memchr(data + pos + 1, ']', size_t(end - pos - 1));
        if (!close)
            return info; // "[name" without ']': an odd line, not a section
        info.kind = LineKind::Section;
        std::tie(info.nameStart, info.nameEnd) =
            withoutBlanks(data, pos + 1, static_cast<const char *>(close) - data);
        return info;
    }

    const void *equals = std::memchr(data + pos, '=', size_t(end - pos));
    if (!equals)
        return info;
    info.kind = LineKind::Entry;
    info.equalsPos = static_cast<const char *>(equals) - data;
    std::tie(info.nameStart, info.nameEnd) = withoutBlanks(data, pos, info.equalsPos);
    std::tie(info.valueStart, info.valueEnd) = withoutBlanks(data, info.equalsPos + 1, end);
    return info;
}

bool IniDocument::nameMatches(qsizetype start, qsizetype end, const QString &name) const
{
    // One byte is one character, and case folding keeps the length, so the
    // cheap length test rules out nearly every name that differs.
    if (name.isEmpty() || end - start != name.size())
        return false;
    const char *data = m_bytes.constData() + start;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        const char16_t asked = name.at(i).unicode();
        if (byte >= 0x80 || asked >= 0x80) {
            // Letters beyond ASCII ("é" and "É"): let Qt fold the whole name.
            const QString text = AnsiText::decode(QByteArray::fromRawData(data, end - start));
            return text.compare(name, Qt::CaseInsensitive) == 0;
        }
        if (asciiLower(byte) != asciiLower(asked))
            return false;
    }
    return true;
}

IniDocument::Lookup IniDocument::find(const QString &section, const QString &key) const
{
    Lookup result;
    if (section.isEmpty())
        return result;
    LineSpan line;
    while (nextLine(line)) {
        const LineInfo info = classify(line);
        if (info.kind == LineKind::Section) {
            if (result.sectionFound)
                break; // the first matching section has ended
            if (nameMatches(info.nameStart, info.nameEnd, section)) {
                result.sectionFound = true;
                result.anchor = line;
                result.anchorInfo = info;
            }
        } else if (info.kind == LineKind::Entry && result.sectionFound) {
            result.anchor = line;
            result.anchorInfo = info;
            if (nameMatches(info.nameStart, info.nameEnd, key)) {
                result.keyFound = true;
                break;
            }
        }
    }
    return result;
}

QByteArray IniDocument::lineEnd() const
{
    return m_newline.isEmpty() ? Platform::lineEnd() : m_newline;
}

bool IniDocument::hasSection(const QString &section) const
{
    return find(trimBlanks(section), QString()).sectionFound;
}

std::optional<QString> IniDocument::value(const QString &section, const QString &key) const
{
    const Lookup found = find(trimBlanks(section), trimBlanks(key));
    if (!found.keyFound)
        return std::nullopt;
    const LineInfo &info = found.anchorInfo;
    return AnsiText::decode(m_bytes.mid(info.valueStart, info.valueEnd - info.valueStart));
}

QList<QPair<QString, QString>> IniDocument::entries(const QString &section) const
{
    QList<QPair<QString, QString>> result;
    const QString name = trimBlanks(section);
    if (name.isEmpty())
        return result;
    QSet<QString> seen;
    bool inSection = false;
    LineSpan line;
    while (nextLine(line)) {
        const LineInfo info = classify(line);
        if (info.kind == LineKind::Section) {
            if (inSection)
                break;
            inSection = nameMatches(info.nameStart, info.nameEnd, name);
        } else if (info.kind == LineKind::Entry && inSection && info.nameEnd > info.nameStart) {
            const QString key =
                AnsiText::decode(m_bytes.mid(info.nameStart, info.nameEnd - info.nameStart));
            const QString folded = key.toCaseFolded();
            if (seen.contains(folded))
                continue;
            seen.insert(folded);
            result.append({key, AnsiText::decode(m_bytes.mid(info.valueStart,
                                                             info.valueEnd - info.valueStart))});
        }
    }
    return result;
}

void IniDocument::setValue(const QString &section, const QString &key, const QString &value)
{
    const QString sectionName = trimBlanks(section);
    const QString keyName = trimBlanks(key);
    if (!isWritableEntry(sectionName, keyName, value))
        return;
    const QByteArray valueBytes = AnsiText::encode(value);
    const Lookup found = find(sectionName, keyName);

    if (found.keyFound) {
        // Keep the key's spelling and whatever stands before '='.
        const qsizetype from = found.anchorInfo.equalsPos + 1;
        m_bytes.replace(from, found.anchor.textEnd - from, valueBytes);
        return;
    }

    const QByteArray entryLine = AnsiText::encode(keyName) + '=' + valueBytes;
    if (found.sectionFound) {
        const LineSpan &after = found.anchor;
        if (after.next > after.textEnd) {
            // The new line takes the end of the line it follows: in a file
            // with mixed ends another end could fuse with the next one
            // ("\r" before "\n") and swallow an empty line.
            const QByteArray end = m_bytes.mid(after.textEnd, after.next - after.textEnd);
            m_bytes.insert(after.next, entryLine + end);
        } else {
            m_bytes.append(lineEnd() + entryLine + lineEnd()); // after the unterminated last line
        }
        return;
    }

    if (!m_bytes.isEmpty() && !isLineEnd(m_bytes.back()))
        m_bytes.append(lineEnd());
    m_bytes.append('[' + AnsiText::encode(sectionName) + ']' + lineEnd() + entryLine + lineEnd());
}

QByteArray IniDocument::toBytes() const
{
    return m_bytes;
}

bool IniDocument::protectedByOperator(const QString &path)
{
    const QFileInfo info(path);
    const QFileDevice::Permissions anyWrite =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return info.isFile() && !(info.permissions() & anyWrite);
}

bool IniDocument::save(const QString &path) const
{
    const QFileInfo info(path);
    if (!m_whole || (info.exists() && !info.isFile()) || protectedByOperator(path))
        return false;
    return FileReplace::replace(path, m_bytes, FileReplace::InPlace::WhenFolderTakesNoFiles);
}
