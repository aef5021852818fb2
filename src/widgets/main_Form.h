#pragma once

#include "FrequencyTuning.h"
#include "HandlerContext.h"
#include "Help.h"
#include "KeyingControls.h"
#include "MessageFileMenu.h"
#include "MessageTransmission.h"
#include "ModelSwitch.h"
#include "PortMenu.h"
#include "RemoteControl.h"
#include "serial/TransmitterLink.h"
#include "session/SessionState.h"
#include "settings/SettingsFile.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

class Baud_Rate_Form;
class Dialogs;
class QButtonGroup;
class SerialControl;

// Keeps a checkable menu entry's check mark under the program's control.
void holdCheckMark(QAction *entry);

namespace Ui {
class main_Form;
}

// Where the window finds its settings file and its guide, and how port
// numbers name devices.
struct PanelEnvironment
{
    SettingsLocation settings;
    DeviceForPort deviceForPort = [](qint64) { return QString(); };
    QString programFolder; // the running program's, where guide.html lies
};

// The panel's main window: builds the controls from its form and connects
// each control's event to the handler of its subsystem.
class main_Form : public QMainWindow
{
    Q_OBJECT
public:
    main_Form(SerialControl &comm, Dialogs &dialogs, PanelEnvironment environment = {},
              QWidget *parent = nullptr);
    ~main_Form() override;

    // The start-up, run once before the window is shown.
    void Form_Load();
    // The window closes, however that was asked for: saves the settings once.
    void Form_Unload();
    void menu_Exit_Click();
    void menu_Baud_Rate_Click();
    // What the network port for station programs drives.
    RigTarget &remoteControl() { return m_remote; }
    // While the network port lets in other computers, the status line says
    // so when the operator points at it (and to a screen reader): whom.
    void showRemoteReach(const QString &text);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    static std::unique_ptr<Ui::main_Form> setUpForm(main_Form *window);
    PanelControls collectControls();
    void onMenuClick(QAction *entry, std::function<void()> handler);
    void wireComMenu();
    QAction *newPortEntry(int index);
    void sendStartUpLines();

    std::unique_ptr<Ui::main_Form> m_ui;
    Session m_session;
    TransmitterLink m_link;
    QTimer m_timer1{this}; // a child, so it can be found by its name
    HandlerContext m_context;
    FrequencyTuning m_frequencyTuning;
    KeyingControls m_keyingControls;
    MessageTransmission m_messageTransmission;
    SettingsFile m_settings;
    PortMenu m_portMenu;
    ModelSwitch m_modelSwitch;
    MessageFileMenu m_messageFileMenu;
    Help m_help;
    RemoteControl m_remote{m_context, m_frequencyTuning, m_keyingControls, m_messageTransmission};
    QPointer<Baud_Rate_Form> m_baudRateForm;
    bool m_unloaded = false;
};
