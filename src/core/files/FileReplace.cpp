#include "files/FileReplace.h"

#include "Platform.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

namespace {

// Each write's result counts: a short or failed write is a failed save.
bool writeAll(QFileDevice &file, const QByteArray &bytes)
{
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

bool writeOver(QFile &file, const QByteArray &bytes)
{
    return file.seek(0) && writeAll(file, bytes) && file.resize(bytes.size()) &&
           Platform::syncToDisk(file);
}

bool replaceInPlace(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return false;
    const QByteArray old = file.readAll();
    if (file.error() != QFileDevice::NoError || old.size() != file.size())
        return false;
    // The blocks of the old text are the file's already; only what the new
    // text adds needs room. bytesAvailable() is -1 when it cannot be told.
    const qint64 growth = bytes.size() - old.size();
    if (growth > 0 && QStorageInfo(path).bytesAvailable() < growth)
        return false;
    if (writeOver(file, bytes))
        return true;
    writeOver(file, old); // within the old text's own blocks
    return false;
}

} // namespace

namespace FileReplace {

bool replace(const QString &path, const QByteArray &bytes, InPlace inPlace)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    // Unbuffered, so that each write reports what reached the file: a
    // buffered QSaveFile can lose the error of its final flush on a full disk
    // and rename a truncated file over the old one.
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return writeAll(file, bytes) && Platform::syncToDisk(file) && file.commit();
    // An unsaved QSaveFile removes its temporary file when it goes.
    return inPlace == InPlace::WhenFolderTakesNoFiles && replaceInPlace(path, bytes);
}

} // namespace FileReplace
