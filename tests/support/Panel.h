#pragma once

#include "Fakes.h"
#include "Files.h"
#include "Pty.h"
#include "app/WindowLook.h"
#include "app/main_Form.h"
#include "link/QtSerialControl.h"
#include "ui_main_Form.h"

#include <QAction>
#include <QLabel>
#include <QTemporaryDir>

// The main window in this process, its settings file in a temporary folder:
// on the scripted serial line (port n is "/dev/fake<n>"), or on the real
// serial control with a pseudo-terminal playing the transmitter on Com3.
struct PanelFixture
{
    explicit PanelFixture(bool onPty = false) : onPty(onPty) { installFontSubstitutes(); }
    QString path() const { return dir.filePath(QStringLiteral("vako-panel.ini")); }
    QByteArray saved() const { return fileBytes(path()); }
    SerialControl &comm() { return onPty ? static_cast<SerialControl &>(*real) : fake; }
    Ui::main_Form &ui() { return form->ui(); }
    const PanelControls &controls() { return form->panel().ui; }

    main_Form &make()
    {
        const auto device = [this](qint64 n) {
            if (onDeviceLookup)
                onDeviceLookup(n);
            return !onPty   ? QStringLiteral("/dev/fake%1").arg(n)
                   : n == 3 ? transmitter.deviceName()
                            : QString();
        };
        if (onPty)
            real = std::make_unique<QtSerialControl>(device);
        form = std::make_unique<main_Form>(comm(), dialogs, PanelEnvironment{path(), device});
        return *form;
    }
    // Starts on `settings` (none when null); the wire keeps only what comes later.
    main_Form &start(const QByteArray &settings = QByteArray(), bool keepWire = false)
    {
        if (!settings.isNull() && !putFile(path(), settings))
            qFatal("cannot write the settings file");
        make().Form_Load();
        if (!keepWire)
            fake.wire.clear();
        return *form;
    }
    // "open 3" or "closed" when the serial control, the status line, "Close
    // Com Port" and the check marks agree; else what each of them shows.
    QString portState()
    {
        QStringList marks;
        for (QAction *entry : controls().menuCom)
            marks << (entry->isChecked() ? entry->property("Index").toString() : QString());
        marks.removeAll(QString());
        const bool open = comm().portOpen();
        const QString state = open ? "open " + marks.join(' ') : QStringLiteral("closed");
        if (ui().Status->text() == (open ? "Com Port Open" : "Com Port Closed") &&
            ui().menuCloseComPort->isEnabled() == open && marks.size() == int(open))
            return state;
        return state + ", status " + ui().Status->text() + ", close entry " +
               (ui().menuCloseComPort->isEnabled() ? "on" : "off");
    }

    bool onPty;
    QTemporaryDir dir;
    FakeSerialControl fake;
    FakeDialogs dialogs;
    std::unique_ptr<QtSerialControl> real;
    std::unique_ptr<main_Form> form;
    std::function<void(qint64 port)> onDeviceLookup;
    Pty transmitter;
};
