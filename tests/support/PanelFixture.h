#pragma once

#include "FakeDialogs.h"
#include "FakeSerialControl.h"
#include "app/WindowLook.h"
#include "app/main_Form.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

// A main window on the scripted serial control and the scripted operator,
// with its settings file in a temporary folder. Port n names "/dev/fake<n>".
struct PanelFixture
{
    QTemporaryDir dir;
    FakeSerialControl comm;
    FakeDialogs dialogs;
    std::unique_ptr<main_Form> form;

    PanelFixture() { installFontSubstitutes(); }

    QString settingsPath() const { return dir.filePath(QStringLiteral("vako-panel.ini")); }

    void writeSettings(const QByteArray &text) const
    {
        QFile file(settingsPath());
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
            qFatal("cannot write the settings file");
    }

    QByteArray settingsText() const
    {
        QFile file(settingsPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    main_Form &make()
    {
        form = std::make_unique<main_Form>(
            comm, dialogs, PanelEnvironment{settingsPath(), [](qint64 n) {
                                                return QStringLiteral("/dev/fake%1").arg(n);
                                            }});
        return *form;
    }

    // A window after its start-up.
    main_Form &start()
    {
        make().Form_Load();
        return *form;
    }
};

// The settings file of a first run, with changes: each pair replaces a line.
QByteArray settingsWith(std::initializer_list<std::pair<const char *, const char *>> changes);
