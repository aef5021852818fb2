#pragma once

#include "Baud_Rate_Form.h"
#include "Fakes.h"
#include "Files.h"
#include "Pty.h"
#include "WindowLook.h"
#include "main_Form.h"
#include "serial/SerialControl.h"

#include <QtWidgets>

// The main window in this process, its settings file in a temporary folder:
// on the scripted serial line (port n is "/dev/fake<n>"), or on the real
// serial control with a pseudo-terminal playing the transmitter on Com3.
struct PanelFixture
{
    explicit PanelFixture(bool onPty = false) : onPty(onPty) { installFontSubstitutes(); }
    QString path() const { return dir.filePath(QStringLiteral("vako-panel.ini")); }
    QByteArray saved() const { return fileBytes(path()); }
    SerialControl &comm() { return onPty ? static_cast<SerialControl &>(*real) : fake; }
    // A control of the window or of the baud-rate dialog, by its name and,
    // in a control array, its index; the entries of an array in index order.
    template <typename T = QObject> T *get(const QString &name, int index = -1)
    {
        const QList<T *> entries = array<T>(name);
        return index < 0 ? entries.value(0) : entries.value(index);
    }
    template <typename T = QAction> QList<T *> array(const QString &name)
    {
        QList<T *> entries = form->findChildren<T *>(name);
        if (Baud_Rate_Form *dialog = baudRateForm())
            entries += dialog->findChildren<T *>(name);
        std::sort(entries.begin(), entries.end(), [](T *a, T *b) {
            return a->property("Index").toInt() < b->property("Index").toInt();
        });
        return entries;
    }
    QPlainTextEdit *message() { return get<QPlainTextEdit>("Message_Text"); }
    QTimer *replyTimer() { return get<QTimer>("Timer1"); }
    static Baud_Rate_Form *baudRateForm()
    {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (auto *dialog = qobject_cast<Baud_Rate_Form *>(window);
                dialog && dialog->isVisible())
                return dialog;
        }
        return nullptr;
    }

    main_Form &make()
    {
        const auto device = [this](qint64 n) {
            return !onPty   ? QStringLiteral("/dev/fake%1").arg(n)
                   : n == 3 ? transmitter.deviceName()
                            : QString();
        };
        if (onPty)
            real = makePortSerialControl(device);
        form = std::make_unique<main_Form>(comm(), dialogs,
                                           PanelEnvironment{path(), device, programFolder});
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
        for (QAction *entry : array("menuCom"))
            marks << (entry->isChecked() ? entry->property("Index").toString() : QString());
        marks.removeAll(QString());
        const bool open = comm().portOpen();
        const QString state = open ? "open " + marks.join(' ') : QStringLiteral("closed");
        const QString status = get<QLabel>("Status")->text();
        const bool closeEntry = get<QAction>("menuCloseComPort")->isEnabled();
        if (status == (open ? "Com Port Open" : "Com Port Closed") && closeEntry == open &&
            marks.size() == int(open))
            return state;
        return state + ", status " + status + ", close entry " + (closeEntry ? "on" : "off");
    }

    bool onPty;
    QTemporaryDir dir;
    FakeSerialControl fake;
    FakeDialogs dialogs;
    std::unique_ptr<SerialControl> real;
    std::unique_ptr<main_Form> form;
    QString programFolder = dir.path();
    Pty transmitter;
};
