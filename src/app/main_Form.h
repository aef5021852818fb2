#pragma once

#include "help/Help.h"
#include "link/PortManager.h"
#include "link/TransmitterLink.h"
#include "messages/MessageFiles.h"
#include "panel/FrequencyTuning.h"
#include "panel/KeyingControls.h"
#include "panel/MessageTransmission.h"
#include "panel/ModelSwitch.h"
#include "panel/Panel.h"
#include "panel/SessionState.h"
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

// Where the window finds its settings file and how port numbers name devices.
struct PanelEnvironment
{
    QString settingsPath;
    PortManager::DeviceForPort deviceForPort = [](qint64) { return QString(); };
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

    // The folder of the running program, where its guide lies.
    void setProgramFolder(const QString &folder) { m_help.setProgramFolder(folder); }

    Session &session() { return m_session; }
    Panel &panel() { return m_panel; }
    Ui::main_Form &ui() { return *m_ui; }
    QTimer &Timer1() { return m_timer1; }
    SettingsFile &settings() { return m_settings; }
    PortManager &ports() { return m_portManager; }
    Baud_Rate_Form *baudRateForm() const;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    PanelControls collectControls();
    void onMenuClick(QAction *entry, std::function<void()> handler);
    void setUpFonts();
    void wireComMenu();
    QAction *newPortEntry(int index);
    void sendStartUpLines();

    std::unique_ptr<Ui::main_Form> m_ui;
    Session m_session;
    TransmitterLink m_link;
    QTimer m_timer1;
    Panel m_panel;
    FrequencyTuning m_frequencyTuning;
    KeyingControls m_keyingControls;
    MessageTransmission m_messageTransmission;
    SettingsFile m_settings;
    PortManager m_portManager;
    ModelSwitch m_modelSwitch;
    MessageFiles m_messageFiles;
    Help m_help;
    QPointer<Baud_Rate_Form> m_baudRateForm;
    bool m_unloaded = false;
};
