#pragma once

#include <QString>

class Dialogs;
class IniDocument;
class Session;

// Where the settings live: `path`, which every save writes; and `preset`, a
// file beside the program (an administrator's, or one from an earlier
// installation) read in its place, unknown lines and [Ports] included, as
// long as `path` does not exist yet.
struct SettingsLocation
{
    SettingsLocation(QString path = QString(), QString preset = QString())
        : path(std::move(path)), preset(std::move(preset))
    {
    }
    // The file to read now: `path`, or the preset while `path` does not exist.
    QString readable() const;

    QString path;
    QString preset;
};

// The settings file: the selected model, the keyer mode and both model
// profiles, carried from one run to the next. Read once at start-up, written
// whole on a model switch, a port choice, "Close Com Port" and at the end.
class SettingsFile
{
public:
    // `location` as settingsLocationFor() chooses it, or a file's path;
    // `dialogs`, where the window is open, tells the operator of a save that
    // failed.
    SettingsFile(Session &session, SettingsLocation location, Dialogs *dialogs = nullptr);

    // One value: the empty text when the file, the section or the key is
    // missing, when the value is empty and when it is exactly "DEFAULT STRING";
    // at most 1023 characters.
    static QString ReadProfileString(const IniDocument &document, const QString &section,
                                     const QString &key);

    // Fills Model, Keyer_Type and both profiles from the file; writes the
    // built-in values first when the file has no usable model.
    void LoadSettings();
    // Writes the fourteen entries from the session (BIRCH baud rate as
    // "Baudrate"); false when the file cannot be written.
    bool InitSettingsFile();
    // Writes the fourteen entries from the session, all at once. When that
    // fails (a full disk, a vanished folder), the file keeps what it held and
    // the operator, while the window is open, is told and asked whether to
    // try again; a file the operator protected is left alone without a word.
    // When nobody can answer (a logout), nothing is shown.
    bool SaveSettings();

private:
    bool writeEntries(bool initial);

    Session &m_session;
    SettingsLocation m_location;
    Dialogs *m_dialogs;
};

// Where the settings file lives: beside the executable, named after it with
// ".ini"; when that folder is not writable and no writable file exists there
// (an installation in a system folder), the same name in the per-user
// configuration folder, with a file beside the executable as its preset.
SettingsLocation settingsLocationFor(const QString &executablePath);
