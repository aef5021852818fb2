#pragma once

#include <QByteArray>
#include <QString>

// Every file the panel and its simulator write goes in place through here: the
// settings file (its first-run text too), the simulator's port entry and the
// operator's message files. A save either puts the whole new text in place or
// leaves the old file exactly as it was: a full disk, a vanished folder or a
// crash never costs the operator a stored setting or message.
namespace FileReplace {

enum class InPlace
{
    Never,
    // An existing writable file in a folder that takes no new files (an
    // installation folder the operator was given one file in) may be written
    // over in place; see replace().
    WhenFolderTakesNoFiles
};

// Writes `bytes` to a temporary file beside `path`, checking every write,
// forces it to the disk and only then renames it over the old file; on any
// failure the temporary file is removed and false returned. The one case that
// cannot be atomic, writing over the file in place, is done only when the
// file system has room for all the text it adds to the file, so that no write
// can run out of space half-way; should a write fail all the same, the old
// text is written back.
bool replace(const QString &path, const QByteArray &bytes, InPlace inPlace);

} // namespace FileReplace
