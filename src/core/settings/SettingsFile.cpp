#include "settings/SettingsFile.h"

#include "Dialogs.h"
#include "session/SessionState.h"
#include "settings/IniFile.h"
#include "settings/SettingsSchema.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {

using namespace SettingsSchema;

// A value that reads as exactly this is taken as absent, so a file holding
// it is treated like a file without the entry.
const QString kDefaultString = QStringLiteral("DEFAULT STRING");
constexpr int kReadBuffer = 1024;

// A number as the settings file holds it: " 136000". A value that spells no
// number is written as the entry's built-in value, so the next start finds a
// usable file instead of an empty entry that nothing would ever repair.
QString numberText(const Number &value, const Number &builtIn)
{
    const Number written = value ? value : builtIn;
    return written ? NumberText::signedText(*written) : QString();
}

bool folderTakesFiles(const QString &folder)
{
    // Permission bits do not tell the whole story (read-only mounts, ACLs,
    // the administrator's rights): try it.
    QTemporaryFile probe(folder + QStringLiteral("/.vako-panel-XXXXXX"));
    return probe.open();
}

// Asked when a save failed while the operator can still act on it. No is
// the default: a reflexive Enter keeps the old file, as it is.
bool askToTryAgain(Dialogs &dialogs, const QString &path)
{
    MessageBoxRequest question{
        QStringLiteral("The settings could not be saved in\n%1\nThe disk may be full, or the "
                       "folder gone or write-protected. The file keeps the settings it had."
                       "\n\nTry again?")
            .arg(QDir::toNativeSeparators(path)),
        QStringLiteral("Settings Not Saved"), MessageBoxRequest::Icon::Exclamation,
        MessageBoxRequest::Buttons::YesNo};
    question.defaultYes = false;
    return dialogs.show(question) == Dialogs::Answer::Yes;
}

} // namespace

SettingsFile::SettingsFile(Session &session, SettingsLocation location, Dialogs *dialogs)
    : m_session(session), m_location(std::move(location)), m_dialogs(dialogs)
{
}

QString SettingsFile::ReadProfileString(const IniDocument &document, const QString &section,
                                        const QString &key)
{
    QString value = document.value(section, key).value_or(kDefaultString);
    value.truncate(kReadBuffer - 1);
    const qsizetype nul = value.indexOf(QChar(u'\0'));
    if (nul >= 0)
        value.truncate(nul);
    // A value cut at a NUL or at the buffer's end may now end in blanks,
    // which are no part of a value: read as it is, it would be saved with
    // them and read back without, and the next start would differ.
    value = trimBlanks(value);
    return value == kDefaultString ? QString() : value;
}

void SettingsFile::LoadSettings()
{
    SessionState &state = m_session.state;
    IniDocument document = IniDocument::load(m_location.readable());
    if (ReadProfileString(document, kGlobalSection, kModelKey).isEmpty()) {
        // No file, or no usable model in it: write the built-in values.
        if (!InitSettingsFile()) {
            // The file cannot be created (a folder without write access):
            // run on the built-in values rather than on empty texts.
            return;
        }
        document = IniDocument::load(m_location.readable());
    }
    state.Model = ReadProfileString(document, kGlobalSection, kModelKey);
    state.Keyer_Type = NumberText::parse(ReadProfileString(document, kGlobalSection, kKeyerKey));
    for (std::size_t m = 0; m < modelTable().size(); ++m) {
        const QString section = QLatin1String(modelTable()[m].section);
        for (const ProfileKey &entry : kProfileKeys) {
            m_session.profiles[m].*entry.field =
                NumberText::parse(ReadProfileString(document, section, QLatin1String(entry.key)));
        }
    }
}

bool SettingsFile::InitSettingsFile()
{
    return writeEntries(true);
}

bool SettingsFile::SaveSettings()
{
    while (!writeEntries(false)) {
        if (!m_dialogs || IniDocument::protectedByOperator(m_location.path) ||
            !askToTryAgain(*m_dialogs, m_location.path))
            return false;
    }
    return true;
}

bool SettingsFile::writeEntries(bool initial)
{
    // All fourteen entries go into the file in one atomic write: a crash or a
    // power cut leaves the previous file or the new one, never a file that
    // holds half of a save.
    const SessionState &state = m_session.state;
    IniDocument document = IniDocument::load(m_location.readable());
    document.setValue(kGlobalSection, kModelKey, state.Model);
    document.setValue(kGlobalSection, kKeyerKey, numberText(state.Keyer_Type, kBuiltInKeyer));
    for (std::size_t m = 0; m < modelTable().size(); ++m) {
        const ModelDescriptor &model = modelTable()[m];
        const QString section = QLatin1String(model.section);
        for (const ProfileKey &entry : kProfileKeys) {
            QString key = QLatin1String(entry.key);
            if (initial && m == static_cast<std::size_t>(ModelId::Birch) &&
                entry.field == &ModelProfile::BaudRate)
                key = kFirstRunBirchBaudRateKey;
            document.setValue(
                section, key,
                numberText(m_session.profiles[m].*entry.field, model.builtIn.*entry.field));
        }
    }
    return document.save(m_location.path);
}

QString SettingsLocation::readable() const
{
    return preset.isEmpty() || QFileInfo::exists(path) ? path : preset;
}

SettingsLocation settingsLocationFor(const QString &executablePath)
{
    const QFileInfo executable(executablePath);
    const QString fileName = executable.completeBaseName() + QStringLiteral(".ini");
    // The folder text as it comes, one separator, the name: a root folder
    // gives two separators in a row, which every file system accepts.
    const QString beside = executable.absolutePath() + u'/' + fileName;

    const QFileInfo existing(beside);
    if (existing.isFile() && existing.isWritable())
        return beside;
    if (folderTakesFiles(executable.absolutePath()))
        return beside;

    // Installed in a system folder: keep the operator's choices in the
    // per-user configuration folder instead of losing them at every exit,
    // starting from what lies beside the program.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(folder);
    return {folder + u'/' + fileName, existing.isFile() ? beside : QString()};
}
