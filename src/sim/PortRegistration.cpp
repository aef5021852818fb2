#include "PortRegistration.h"

#include "session/SessionState.h"
#include "settings/IniFile.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsSchema.h"

#include <QFileInfo>

bool usePortForBothModels(const QString &iniPath, int port)
{
    Session session;
    session.setBuiltInValues();
    SettingsFile settings(session, iniPath);
    settings.LoadSettings();
    for (ModelProfile &profile : session.profiles)
        profile.Portnumber = port;
    return settings.SaveSettings();
}

bool registerPort(const QString &iniPath, int port, const QString &device, QString *error)
{
    // A file that cannot be read whole would be written back as the part
    // read: refuse rather than lose the operator's settings.
    const QFileInfo file(iniPath);
    if (file.exists() &&
        (!file.isFile() || !file.isReadable() || file.size() > IniDocument::maxFileBytes)) {
        if (error)
            *error = QStringLiteral("cannot read %1 whole; it is left as it is").arg(iniPath);
        return false;
    }
    IniDocument document = IniDocument::load(iniPath);
    const QString key = SettingsSchema::portKey(port);
    document.setValue(SettingsSchema::kPortsSection, key, device);
    if (!document.save(iniPath)) {
        if (error)
            *error = QStringLiteral("cannot write %1").arg(iniPath);
        return false;
    }
    // The panel reads the entry back: make sure it reads what was meant.
    if (IniDocument::load(iniPath).value(SettingsSchema::kPortsSection, key) != device) {
        if (error)
            *error = QStringLiteral("%1 does not read back as %2 in %3").arg(key, device, iniPath);
        return false;
    }
    return true;
}
