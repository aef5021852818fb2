// The settings file as any bytes can leave it (an editor, a full disk, another machine): written
// entries read back, foreign ones survive, and load, save, load keeps every value that is a number.

#include "FuzzCheck.h"
#include "protocol/AnsiText.h"
#include "session/SessionState.h"
#include "settings/IniFile.h"
#include "settings/SettingsFile.h"

#include <QtCore>

#include <fuzzer/FuzzedDataProvider.h>

const QList<QStringList> kEntries{{"VAKO", "Model", "Keyer_Type"},
                                  {"ALDER_settings", "Frequency", "Step", "Power", "Portnumber"},
                                  {"BIRCH_settings", "CW_speed", "Baudrate"}};

// The values a load gives ("-" for one that spells no number), saved as the panel saves them.
static QStringList loadedAndSaved(const QString &path)
{
    Session session;
    session.setBuiltInValues();
    SettingsFile(session, path).LoadSettings();
    QStringList values{session.state.Model};
    for (const ModelProfile &p : session.profiles)
        for (const Number &v : {session.state.Keyer_Type, p.Frequency, p.Step, p.CW_speed, p.Power,
                                p.BaudRate, p.Portnumber})
            values << (v ? QString::number(*v) : "-");
    check(SettingsFile(session, path).SaveSettings(), "a save of a loaded file failed");
    return values;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const QByteArray bytes = QByteArray::fromStdString(in.ConsumeRandomLengthString(size));

    // Entries written as a save writes them read back without their blanks,
    // and a section the panel does not own keeps every entry.
    IniDocument doc = IniDocument::fromBytes(bytes);
    QStringList written;
    for (const QStringList &section : kEntries)
        for (const QString &key : section.mid(1)) {
            written << AnsiText::decode(
                QByteArray::fromStdString(in.ConsumeRandomLengthString(16)));
            doc.setValue(section[0], key, written.last());
        }
    static const QRegularExpression blanks("^[ \\t]+|[ \\t]+\\z");
    const IniDocument reparsed = IniDocument::fromBytes(doc.toBytes());
    for (const QStringList &section : kEntries)
        for (const QString &key : section.mid(1)) {
            const QString value = written.takeFirst();
            // A value with a line end is refused and the old one stays.
            check(value.contains(u'\r') || value.contains(u'\n') ||
                      reparsed.value(section[0], key) == QString(value).remove(blanks),
                  "an entry written does not read back");
        }
    check(reparsed.entries("Ports") == IniDocument::fromBytes(bytes).entries("Ports"),
          "a save changed a section the panel does not own");

    // Load, save, load through a real file.
    static QTemporaryDir dir(QDir("/dev/shm").exists() ? "/dev/shm/vako-fuzz-XXXXXX"
                                                       : QDir::tempPath() + "/vako-fuzz-XXXXXX");
    const QString path = dir.filePath("vako-panel.ini");
    QFile file(path);
    check(file.open(QFile::WriteOnly) && file.write(bytes) == bytes.size(), "scratch file failed");
    file.close();
    const QStringList first = loadedAndSaved(path);
    const QByteArray saved = IniDocument::load(path).toBytes();
    const QStringList second = loadedAndSaved(path);
    for (int i = 0; i < first.size(); ++i) // [0] is the model, a text kept as it is
        check(i > 0 && first[i] == "-" ? second[i] != "-" : second[i] == first[i],
              "load, save, load changed a value, or kept one that spells no number");
    check(IniDocument::load(path).toBytes() == saved, "a second save changed the file");
    return 0;
}
