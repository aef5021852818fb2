#include "messages/MessageFile.h"

#include "Platform.h"
#include "files/FileReplace.h"
#include "protocol/AnsiText.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>

namespace MessageFile {

namespace {

constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";

std::optional<Encoding> encodingOf(const QByteArray &bytes)
{
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; }))
        return std::nullopt;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8.decode(bytes);
    if (utf8.hasError())
        return Encoding::CodePage;
    return bytes.startsWith(kUtf8Mark) ? Encoding::Utf8WithMark : Encoding::Utf8;
}

QString decode(const QByteArray &bytes, Encoding encoding)
{
    if (encoding == Encoding::CodePage)
        return Platform::fromAnsiCodePage(bytes).value_or(AnsiText::decode(bytes));
    return QString::fromUtf8(encoding == Encoding::Utf8WithMark ? bytes.mid(3) : bytes);
}

QByteArray encodeAll(const QString &text, Encoding encoding)
{
    // A character the code page lacks becomes "?" here, as on the wire.
    if (encoding == Encoding::CodePage)
        return Platform::toAnsiCodePage(text).value_or(AnsiText::encode(text));
    return (encoding == Encoding::Utf8WithMark ? QByteArray(kUtf8Mark) : QByteArray()) +
           text.toUtf8();
}

} // namespace

std::optional<Contents> read(const QString &path)
{
    QFile file;
    if (!Platform::openRegularFile(file, path))
        return std::nullopt;
    const QByteArray bytes = file.read(kReadLimit);
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    const std::optional<Encoding> encoding = encodingOf(bytes);
    return Contents{decode(bytes, encoding.value_or(Encoding::CodePage)), encoding};
}

std::optional<QByteArray> encode(const QString &text, Encoding encoding, QString &unstorable)
{
    const QByteArray bytes = encodeAll(text, encoding);
    if (decode(bytes, encoding) == text)
        return bytes;
    // Say which characters would be lost, each once, in the order typed.
    for (const char32_t c : text.toUcs4()) {
        const QString one = QString::fromUcs4(&c, 1);
        if (decode(encodeAll(one, encoding), encoding) != one && !unstorable.contains(one))
            unstorable += one;
    }
    return unstorable.isEmpty() ? std::optional(bytes) : std::nullopt;
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

bool write(const QString &path, const QByteArray &bytes)
{
    // No writing in place: when no temporary file can be made beside the
    // target, the save fails rather than risk the old file.
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
