#pragma once

#include "PanelFixture.h"
#include "Pty.h"
#include "link/QtSerialControl.h"

#include <QAction>
#include <QLabel>

// A main window on the real serial control, a pseudo-terminal as the
// transmitter on Com3, the scripted operator and a temporary settings file.
struct PtyPanel
{
    QTemporaryDir dir;
    Pty transmitter;
    FakeDialogs dialogs;
    std::unique_ptr<QtSerialControl> comm;
    std::unique_ptr<main_Form> form;
    std::function<void(qint64 port)> onDeviceLookup; // on each port-to-device lookup

    PtyPanel() { installFontSubstitutes(); }

    QString settingsPath() const { return dir.filePath(QStringLiteral("vako-panel.ini")); }
    QString deviceFor(qint64 port) const
    {
        if (onDeviceLookup)
            onDeviceLookup(port);
        return port == 3 ? transmitter.deviceName() : QString();
    }

    // Starts on a first-run file with these changes and storedPort for both models.
    main_Form &start(qint64 storedPort = 3,
                     std::initializer_list<std::pair<const char *, const char *>> changes = {})
    {
        QFile file(settingsPath());
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(settingsWith(changes).replace(
                "Portnumber= 0", "Portnumber= " + QByteArray::number(storedPort))) < 0)
            qFatal("cannot write the settings file");
        file.close();
        const auto lookup = [this](qint64 n) { return deviceFor(n); };
        comm = std::make_unique<QtSerialControl>(lookup);
        form =
            std::make_unique<main_Form>(*comm, dialogs, PanelEnvironment{settingsPath(), lookup});
        form->Form_Load();
        return *form;
    }

    QByteArray wire(int timeoutMs = 200) { return transmitter.read(timeoutMs); }

    // "open 3" or "closed" when the serial control, the status line, "Close Com
    // Port" and the Com menu's check marks agree; else what each one shows.
    QString portState() const
    {
        const PanelControls &ui = form->panel().ui;
        QStringList marks;
        for (qsizetype n = 0; n < ui.menuCom.size(); ++n) {
            if (ui.menuCom[n]->isChecked())
                marks << QString::number(n);
        }
        const bool open = comm->portOpen();
        const QString state = open ? "open " + marks.join(u' ') : QStringLiteral("closed");
        if (ui.Status->text() == (open ? "Com Port Open" : "Com Port Closed") &&
            ui.menuCloseComPort->isEnabled() == open && marks.size() == int(open))
            return state;
        return QStringLiteral("%1, status %2, close %3")
            .arg(state, ui.Status->text())
            .arg(ui.menuCloseComPort->isEnabled());
    }
};
