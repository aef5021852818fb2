#include "PtyPanel.h"

#include "PanelFixture.h"
#include "settings/IniFile.h"

#include <QAction>
#include <QFile>
#include <QLabel>

PtyPanel::PtyPanel()
{
    installFontSubstitutes();
}

PtyPanel::~PtyPanel()
{
    form.reset();
    comm.reset();
}

QString PtyPanel::deviceFor(qint64 port) const
{
    if (onDeviceLookup)
        onDeviceLookup(port);
    return port == 3 ? transmitter.deviceName() : QString();
}

main_Form &PtyPanel::start(qint64 storedPort,
                           std::initializer_list<std::pair<const char *, const char *>> changes)
{
    const QByteArray port = "Portnumber= " + QByteArray::number(storedPort);
    QByteArray text = settingsWith(changes);
    text.replace("Portnumber= 0", port);
    QFile file(settingsPath());
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        qFatal("cannot write the settings file");
    file.close();

    const auto lookup = [this](qint64 n) { return deviceFor(n); };
    comm = std::make_unique<QtSerialControl>(lookup);
    form = std::make_unique<main_Form>(*comm, dialogs, PanelEnvironment{settingsPath(), lookup});
    form->Form_Load();
    return *form;
}

QString PtyPanel::portStateProblem(bool open, qint64 port) const
{
    const PanelControls &ui = form->panel().ui;
    if (comm->portOpen() != open)
        return QStringLiteral("serial control open: %1").arg(comm->portOpen());
    const QString status =
        open ? QStringLiteral("Com Port Open") : QStringLiteral("Com Port Closed");
    if (ui.Status->text() != status)
        return QStringLiteral("Status reads \"%1\"").arg(ui.Status->text());
    if (ui.menuCloseComPort->isEnabled() != open)
        return QStringLiteral("Close Com Port enabled: %1").arg(ui.menuCloseComPort->isEnabled());
    for (qsizetype n = 0; n < ui.menuCom.size(); ++n) {
        const bool checked = ui.menuCom[n]->isChecked();
        if (checked != (open && n == port))
            return QStringLiteral("Com%1 checked: %2").arg(n).arg(checked);
    }
    return QString();
}

QString PtyPanel::savedPort(const char *section) const
{
    return IniDocument::load(settingsPath())
        .value(QLatin1String(section), QStringLiteral("Portnumber"))
        .value_or(QStringLiteral("(missing)"));
}
