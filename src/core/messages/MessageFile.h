#pragma once

#include <QString>

#include <optional>

// The operator's message text files, without any window: 8-bit text in the
// system's code page (Windows-1252 where the system has none), no byte-order
// mark, no header, no line end added.
namespace MessageFile {

// No message is this long; reading more of a file could only slow the panel
// down (a wrongly chosen log or image file can be gigabytes).
inline constexpr qint64 kReadLimit = 64 * 1024;

// The first kReadLimit bytes of the file, one character per byte; nothing
// when it is no regular file or cannot be opened or read.
std::optional<QString> read(const QString &path);

enum class Presence
{
    Absent,
    Present,
    Unknown // the name or a folder on its way cannot be examined
};
Presence probe(const QString &path);

// Whether an existing target may be replaced: not a folder, not marked
// read-only, not held open by another program. A target that vanished has
// nothing left to protect.
bool replaceable(const QString &path);

// Writes the bytes of `text` to `path` through a temporary file in the same
// folder that takes the old file's place only once it is complete, so a full
// disk or a vanished folder leaves the old file as it was. False when the new
// file could not be written.
bool write(const QString &path, const QString &text);

// The line end a file's text uses: its first CR LF, LF or CR; CR LF (as on
// the Windows machines operators exchange message files with) for a text
// without any.
QString lineEndOf(const QString &text);

// The text of a file made from the message box's raw text, in which each line
// break is a paragraph separator: every line break becomes `lineEnd`.
QString fromBoxText(const QString &rawText, const QString &lineEnd);

} // namespace MessageFile
