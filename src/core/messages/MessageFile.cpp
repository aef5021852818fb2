#include "messages/MessageFile.h"

#include "Platform.h"
#include "files/FileReplace.h"
#include "protocol/AnsiText.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace MessageFile {

std::optional<QString> read(const QString &path)
{
    QFile file;
    if (!Platform::openRegularFile(file, path))
        return std::nullopt;
    const QByteArray bytes = file.read(kReadLimit);
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return Platform::fromAnsiCodePage(bytes).value_or(AnsiText::decode(bytes));
}

Presence probe(const QString &path)
{
    const std::optional<bool> exists = Platform::pathExists(path);
    if (!exists)
        return Presence::Unknown;
    return *exists ? Presence::Present : Presence::Absent;
}

bool replaceable(const QString &path)
{
    const QFileInfo target(path);
    if (!target.exists())
        return true;
    if (target.isDir())
        return false;
    // The owner's write bit is the read-only mark the operator sets. It is
    // tested by itself because a process running with administrator rights
    // may write any file and would otherwise replace a file the operator
    // protected.
    // A file another program holds open cannot be replaced either.
    return target.permissions().testFlag(QFileDevice::WriteOwner) && target.isWritable() &&
           !Platform::heldByAnotherProgram(path);
}

bool write(const QString &path, const QString &text)
{
    // No writing in place: when no temporary file can be made beside the
    // target, the save fails rather than risk the old file.
    const QByteArray bytes = Platform::toAnsiCodePage(text).value_or(AnsiText::encode(text));
    return FileReplace::replace(path, bytes, FileReplace::InPlace::Never);
}

QString lineEndOf(const QString &text)
{
    const qsizetype at = text.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    if (at < 0 || text.mid(at, 2) == u"\r\n")
        return QStringLiteral("\r\n");
    return text.mid(at, 1);
}

QString fromBoxText(const QString &rawText, const QString &lineEnd)
{
    QString text = rawText;
    text.replace(QChar::ParagraphSeparator, lineEnd).replace(QChar::LineSeparator, lineEnd);
    return text;
}

} // namespace MessageFile
