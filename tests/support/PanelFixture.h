#pragma once

#include "FakeDialogs.h"
#include "FakeSerialControl.h"
#include "app/WindowLook.h"
#include "app/main_Form.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

// The settings file of a first run, with changes: each pair replaces a line,
// named "BIRCH:Portnumber= 0" for a line of one model's section.
QByteArray settingsWith(std::initializer_list<std::pair<const char *, const char *>> changes);

// A main window on the scripted serial control and operator, its settings
// file in a temporary folder. Port n names "/dev/fake<n>".
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
        const auto device = [](qint64 n) { return QStringLiteral("/dev/fake%1").arg(n); };
        form = std::make_unique<main_Form>(comm, dialogs, PanelEnvironment{settingsPath(), device});
        return *form;
    }
    main_Form &start() // a window after its start-up
    {
        make().Form_Load();
        return *form;
    }
};
