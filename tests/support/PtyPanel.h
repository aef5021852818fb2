#pragma once

#include "FakeDialogs.h"
#include "Pty.h"
#include "app/main_Form.h"
#include "link/QtSerialControl.h"

#include <QTemporaryDir>

#include <memory>

// A main window on the real serial control, with a pseudo-terminal as the
// transmitter on Com3, the scripted operator and its settings file in a
// temporary folder.
struct PtyPanel
{
    QTemporaryDir dir;
    Pty transmitter;
    FakeDialogs dialogs;
    std::unique_ptr<QtSerialControl> comm;
    std::unique_ptr<main_Form> form;
    // Called each time the panel asks which device a port number names.
    std::function<void(qint64 port)> onDeviceLookup;

    PtyPanel();
    ~PtyPanel();

    QString settingsPath() const { return dir.filePath(QStringLiteral("vako-panel.ini")); }
    QString deviceFor(qint64 port) const;

    // Starts the window on a first-run settings file with these changes
    // (see settingsWith) and the given stored port for both models.
    main_Form &start(qint64 storedPort = 3,
                     std::initializer_list<std::pair<const char *, const char *>> changes = {});

    // Everything the transmitter received so far.
    QByteArray wire(int timeoutMs = 200) { return transmitter.read(timeoutMs); }

    // The window's port state agrees with itself: the serial control, the
    // status line, "Close Com Port" and the check marks of the Com menu.
    // Returns an empty text when it does, else what disagrees.
    QString portStateProblem(bool open, qint64 port) const;

    // The stored port of the selected model, as the settings file holds it.
    QString savedPort(const char *section) const;
};
