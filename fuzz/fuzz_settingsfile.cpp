// The settings file as any bytes can leave it (an editor, a full disk, a copy
// from another machine): every entry the panel writes reads back as written,
// entries the panel does not own survive its writes, and load, save, load
// through a real file keeps every value that spelled a number.

#include "protocol/AnsiText.h"
#include "session/SessionState.h"
#include "settings/IniFile.h"
#include "settings/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "settings file property broken: %s\n", what);
    std::abort();
}

const QList<QStringList> kEntries{{"VAKO", "Model", "Keyer_Type"},
                                  {"ALDER_settings", "Frequency", "Step", "Power", "Portnumber"},
                                  {"BIRCH_settings", "CW_speed", "Baudrate"}};

// Entries written as a save writes them read back without their blanks, and
// a section the panel does not own keeps every entry.
void documentProperties(const QByteArray &bytes, FuzzedDataProvider &fdp)
{
    IniDocument doc = IniDocument::fromBytes(bytes);
    const auto ports = doc.entries("Ports");
    QStringList written;
    for (const QStringList &section : kEntries) {
        for (const QString &key : section.mid(1)) {
            const std::string raw = fdp.ConsumeRandomLengthString(16);
            written << AnsiText::decode(QByteArray::fromStdString(raw));
            doc.setValue(section[0], key, written.last());
        }
    }
    static const QRegularExpression blanks("^[ \\t]+|[ \\t]+\\z");
    const IniDocument reparsed = IniDocument::fromBytes(doc.toBytes());
    for (const QStringList &section : kEntries) {
        for (const QString &key : section.mid(1)) {
            const QString value = written.takeFirst();
            if (!value.contains(u'\r') && !value.contains(u'\n') && // refused: the old value stays
                reparsed.value(section[0], key) != QString(value).remove(blanks))
                fail("an entry written does not read back");
        }
    }
    if (reparsed.entries("Ports") != ports)
        fail("a save changed a section the panel does not own");
}

QStringList loaded(const QString &path)
{
    Session session;
    session.setBuiltInValues();
    SettingsFile(session, path).LoadSettings();
    QStringList values{session.state.Model};
    for (const ModelProfile &p : session.profiles) {
        for (const Number &v : {session.state.Keyer_Type, p.Frequency, p.Step, p.CW_speed, p.Power,
                                p.BaudRate, p.Portnumber})
            values << (v ? QString::number(*v) : "-");
    }
    if (!SettingsFile(session, path).SaveSettings())
        fail("a save of a loaded file failed");
    return values;
}

void fileRoundTrip(const QByteArray &bytes)
{
    static QTemporaryDir dir(QDir("/dev/shm").exists() ? "/dev/shm/vako-fuzz-XXXXXX"
                                                       : QDir::tempPath() + "/vako-fuzz-XXXXXX");
    const QString path = dir.filePath("vako-panel.ini");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fail("cannot write the scratch file");
    file.close();
    const QStringList first = loaded(path);
    const QByteArray saved = IniDocument::load(path).toBytes();
    const QStringList second = loaded(path);
    if (second[0] != first[0])
        fail("load, save, load changed the model");
    for (int i = 1; i < first.size(); ++i) {
        if (first[i] == "-" ? second[i] == "-" : second[i] != first[i])
            fail("load, save, load lost a value, or kept one that spells no number");
    }
    if (IniDocument::load(path).toBytes() != saved)
        fail("a second save changed the file");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider fdp(data, size);
    const std::string text = fdp.ConsumeRandomLengthString(size);
    const QByteArray bytes(text.data(), qsizetype(text.size()));
    documentProperties(bytes, fdp);
    fileRoundTrip(bytes);
    return 0;
}
