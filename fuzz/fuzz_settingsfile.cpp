// The settings file as any bytes can leave it: an operator's editor, a full
// disk, a copy from another machine. Whatever the bytes, reading every entry
// must not fail, every entry the panel writes must read back as written,
// entries the panel does not own must survive the writes, and a load, save,
// load through a real file must come back to the state that was saved.

#include "link/AnsiText.h"
#include "panel/NumberText.h"
#include "panel/SessionState.h"
#include "settings/IniFile.h"
#include "settings/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>

namespace {

struct Entry
{
    const char *section;
    const char *key;
};

// The fourteen entries, and names of the operator's own that share the file.
constexpr Entry kEntries[] = {
    {"VAKO", "Model"},
    {"VAKO", "Keyer_Type"},
    {"ALDER_settings", "Frequency"},
    {"ALDER_settings", "Step"},
    {"ALDER_settings", "CW_speed"},
    {"ALDER_settings", "Power"},
    {"ALDER_settings", "BaudRate"},
    {"ALDER_settings", "Portnumber"},
    {"BIRCH_settings", "Frequency"},
    {"BIRCH_settings", "Step"},
    {"BIRCH_settings", "CW_speed"},
    {"BIRCH_settings", "Power"},
    {"BIRCH_settings", "Baudrate"},
    {"BIRCH_settings", "Portnumber"},
};
constexpr const char *kForeignSections[] = {"Ports", "vako", "ALDER_SETTINGS", " BIRCH_settings"};

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "settings file property broken: %s\n", what);
    std::abort();
}

bool isOurs(const QString &section, const QString &key)
{
    for (const Entry &e : kEntries) {
        if (section.compare(QLatin1String(e.section), Qt::CaseInsensitive) == 0 &&
            key.compare(QLatin1String(e.key), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// The operator's entries in a section: everything but the panel's own keys.
QList<QPair<QString, QString>> foreignEntries(const IniDocument &doc, const QString &section)
{
    QList<QPair<QString, QString>> kept;
    for (const auto &entry : doc.entries(section)) {
        if (!isOurs(section, entry.first))
            kept.append(entry);
    }
    return kept;
}

QString valueText(FuzzedDataProvider &fdp)
{
    switch (fdp.ConsumeIntegralInRange(0, 3)) {
    case 0:
        return NumberText::signedText(fdp.ConsumeIntegral<qint64>());
    case 1:
        return AnsiText::decode(QByteArray::fromStdString(fdp.ConsumeRandomLengthString(16)));
    case 2:
        return QStringLiteral("ALDER");
    default:
        return QString();
    }
}

// What the file keeps of a value or a name: the text without the spaces and
// tabs around it (other white space, such as a form feed, is kept).
QString trimmed(const QString &text)
{
    static const QRegularExpression blanks(QStringLiteral("^[ \\t]+|[ \\t]+\\z"));
    return QString(text).remove(blanks);
}

bool sameProfiles(const Session &a, const Session &b)
{
    for (std::size_t m = 0; m < a.profiles.size(); ++m) {
        const ModelProfile &x = a.profiles[m];
        const ModelProfile &y = b.profiles[m];
        if (x.Frequency != y.Frequency || x.Step != y.Step || x.CW_speed != y.CW_speed ||
            x.Power != y.Power || x.BaudRate != y.BaudRate || x.Portnumber != y.Portnumber)
            return false;
    }
    return a.state.Model == b.state.Model && a.state.Keyer_Type == b.state.Keyer_Type;
}

// What a save writes for a session: a value that spells no number becomes the
// entry's built-in value.
Session asSaved(Session session)
{
    if (!session.state.Keyer_Type)
        session.state.Keyer_Type = 2;
    for (std::size_t m = 0; m < session.profiles.size(); ++m) {
        ModelProfile &p = session.profiles[m];
        const ModelProfile &b = modelTable()[m].builtIn;
        for (Number ModelProfile::*f :
             {&ModelProfile::Frequency, &ModelProfile::Step, &ModelProfile::CW_speed,
              &ModelProfile::Power, &ModelProfile::BaudRate, &ModelProfile::Portnumber}) {
            if (!(p.*f))
                p.*f = b.*f;
        }
    }
    return session;
}

void documentProperties(const QByteArray &bytes, FuzzedDataProvider &fdp)
{
    IniDocument doc = IniDocument::fromBytes(bytes);
    for (const Entry &e : kEntries)
        (void)doc.value(QLatin1String(e.section), QLatin1String(e.key));

    QList<QList<QPair<QString, QString>>> foreignBefore;
    const QStringList sections = {QStringLiteral("VAKO"), QStringLiteral("ALDER_settings"),
                                  QStringLiteral("BIRCH_settings")};
    for (const QString &s : sections)
        foreignBefore.append(foreignEntries(doc, s));
    QList<QList<QPair<QString, QString>>> otherBefore;
    for (const char *s : kForeignSections)
        otherBefore.append(doc.entries(QLatin1String(s)));

    // Write every entry, as a save does, and check that each reads back.
    QStringList written;
    for (const Entry &e : kEntries) {
        const QString value = valueText(fdp);
        doc.setValue(QLatin1String(e.section), QLatin1String(e.key), value);
        written.append(value);
    }
    const IniDocument reparsed = IniDocument::fromBytes(doc.toBytes());
    for (int i = 0; i < int(std::size(kEntries)); ++i) {
        const Entry &e = kEntries[i];
        const QString value = written[i];
        if (value.contains(u'\r') || value.contains(u'\n'))
            continue; // refused by setValue, whatever the file held stays
        // A later entry of the same name (Baudrate after BaudRate) overwrote it.
        bool overwritten = false;
        for (int j = i + 1; j < int(std::size(kEntries)); ++j) {
            if (qstricmp(kEntries[j].section, e.section) == 0 &&
                qstricmp(kEntries[j].key, e.key) == 0)
                overwritten = true;
        }
        if (overwritten)
            continue;
        const std::optional<QString> got =
            reparsed.value(QLatin1String(e.section), QLatin1String(e.key));
        if (!got || *got != trimmed(value))
            fail("an entry written does not read back");
        if (doc.value(QLatin1String(e.section), QLatin1String(e.key)) != got)
            fail("the saved bytes read otherwise than the document");
    }
    for (int i = 0; i < sections.size(); ++i) {
        if (foreignEntries(reparsed, sections[i]) != foreignBefore[i])
            fail("a save changed an entry the panel does not own");
    }
    for (int i = 0; i < int(std::size(kForeignSections)); ++i) {
        const QString name = QLatin1String(kForeignSections[i]);
        if (sections.contains(name, Qt::CaseInsensitive) ||
            sections.contains(trimmed(name), Qt::CaseInsensitive))
            continue;
        if (reparsed.entries(name) != otherBefore[i])
            fail("a save changed a section the panel does not own");
    }
}

void fileRoundTrip(const QByteArray &bytes)
{
    static QTemporaryDir dir(QFileInfo::exists(QStringLiteral("/dev/shm"))
                                 ? QStringLiteral("/dev/shm/vako-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/vako-fuzz-XXXXXX"));
    const QString path = dir.filePath(QStringLiteral("vako-panel.ini"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fail("cannot write the scratch file");
    file.close();

    Session first;
    first.setBuiltInValues();
    SettingsFile(first, path).LoadSettings();
    if (!SettingsFile(first, path).SaveSettings())
        fail("a save of a loaded file failed");
    Session second;
    second.setBuiltInValues();
    SettingsFile(second, path).LoadSettings();
    if (!sameProfiles(second, asSaved(first)))
        fail("load, save, load did not come back to the state saved");
    // The saved file is a fixed point: saving it again changes no byte.
    const QByteArray saved = IniDocument::load(path).toBytes();
    if (!SettingsFile(second, path).SaveSettings() || IniDocument::load(path).toBytes() != saved)
        fail("a second save changed the file");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider fdp(data, size);
    const std::string text = fdp.ConsumeRandomLengthString(size);
    const QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
    documentProperties(bytes, fdp);
    fileRoundTrip(bytes);
    return 0;
}
