#include "main_Form.h"

#include "Baud_Rate_Form.h"
#include "Dialogs.h"
#include "OptionArray.h"
#include "WindowLook.h"
#include "protocol/CommandProtocol.h"
#include "serial/SerialControl.h"
#include "ui_main_Form.h"

#include <QButtonGroup>
#include <QCloseEvent>

#include <algorithm>

namespace {

// The form's array entries are named Step_Option0..3 and so on, so that the
// generated code can hold them; as arrays they share one name and carry
// their index.
void nameArrayEntry(QObject *entry, const QString &name, int index)
{
    entry->setObjectName(name);
    entry->setProperty("Index", index);
}

} // namespace

void holdCheckMark(QAction *entry)
{
    // Menu entries show check marks that only the program sets; a click must
    // not toggle them by itself. The platform's toggle is undone here, before
    // any handler connected later runs.
    QObject::connect(entry, &QAction::triggered, entry,
                     [entry] { entry->setChecked(!entry->isChecked()); });
}

std::unique_ptr<Ui::main_Form> main_Form::setUpForm(main_Form *window)
{
    auto ui = std::make_unique<Ui::main_Form>();
    ui->setupUi(window);
    return ui;
}

main_Form::main_Form(SerialControl &comm, Dialogs &dialogs, PanelEnvironment environment,
                     QWidget *parent)
    : QMainWindow(parent), m_ui(setUpForm(this)), m_link(comm),
      m_context(m_session, m_link, dialogs, collectControls()), m_frequencyTuning(m_context),
      m_keyingControls(m_context), m_messageTransmission(m_context, m_timer1),
      m_settings(m_session, environment.settings, &dialogs),
      m_portMenu(m_context, comm, m_settings, std::move(environment.deviceForPort)),
      m_modelSwitch(m_context, m_portMenu, m_settings),
      m_messageFileMenu(dialogs, m_context.ui.Message_Text),
      m_help(dialogs, environment.programFolder)
{
    applyPanelLook(this, *m_ui);
    // As in the operator's other programs, Tab leaves the message box.
    m_ui->Message_Text->setTabChangesFocus(true);
    m_ui->Frequency_display->nameForScreenReaders();
    m_ui->CW_speed_display->nameForScreenReaders();
    wireComMenu();
    // A port that fails while open is reported after the handler that found
    // it has finished, so no box opens in the middle of a burst of lines.
    connect(
        &comm, &SerialControl::portFailed, this, [this] { m_portMenu.portLost(); },
        Qt::QueuedConnection);

    m_timer1.setObjectName(QStringLiteral("Timer1"));
    m_timer1.setSingleShot(true);
    m_timer1.setInterval(100);

    connect(m_ui->Frequency_display, &DisplayLabel::captionChanged, this,
            [this] { m_frequencyTuning.Frequency_display_Change(); });
    connect(m_ui->CW_speed_display, &DisplayLabel::captionChanged, this,
            [this] { m_keyingControls.CW_speed_display_Change(); });
    // An option selected by the operator or by the program runs its handler
    // at once; one that is already selected runs nothing.
    connect(m_context.ui.Step_Option, &QButtonGroup::idToggled, this, [this](int index, bool on) {
        if (on)
            m_frequencyTuning.Step_Option_Click(index);
    });
    connect(m_context.ui.Power_Option, &QButtonGroup::idToggled, this, [this](int index, bool on) {
        if (on)
            m_keyingControls.Power_Option_Click(index);
    });
    onMenuClick(m_ui->menuOpen_message, [this] { m_messageFileMenu.menuOpen_message_Click(); });
    onMenuClick(m_ui->menu_Save_Message, [this] { m_messageFileMenu.menu_Save_Message_Click(); });
    onMenuClick(m_ui->menu_Guide, [this] { m_help.menu_Guide_Click(); });
    onMenuClick(m_ui->menu_About, [this] { m_help.menu_About_Click(); });

    connect(m_ui->up_Button, &QPushButton::clicked, this,
            [this] { m_frequencyTuning.up_Button_Click(); });
    connect(m_ui->down_Button, &QPushButton::clicked, this,
            [this] { m_frequencyTuning.down_Button_Click(); });
    connect(m_ui->CW_speed_up, &QPushButton::clicked, this,
            [this] { m_keyingControls.CW_speed_up_Click(); });
    connect(m_ui->CW_speed_down, &QPushButton::clicked, this,
            [this] { m_keyingControls.CW_speed_down_Click(); });
    for (int index = 0; index < m_context.ui.menu_Keyer.size(); ++index) {
        onMenuClick(m_context.ui.menu_Keyer[index],
                    [this, index] { m_keyingControls.menu_Keyer_Click(index); });
    }
    connect(m_ui->Send_button, &QPushButton::clicked, this,
            [this] { m_messageTransmission.Send_button_Click(); });
    connect(m_ui->Stop_button, &QPushButton::clicked, this,
            [this] { m_messageTransmission.Stop_button_Click(); });
    onMenuClick(m_ui->menuShow_VAKO_Software_Version,
                [this] { m_messageTransmission.menuShow_VAKO_Software_Version_Click(); });
    connect(&m_timer1, &QTimer::timeout, this, [this] { m_messageTransmission.Timer1_Timer(); });
    onMenuClick(m_ui->menu_VAKO_ALDER, [this] { m_modelSwitch.menu_VAKO_ALDER_Click(); });
    onMenuClick(m_ui->menu_VAKO_BIRCH, [this] { m_modelSwitch.menu_VAKO_BIRCH_Click(); });
}

main_Form::~main_Form() = default;

PanelControls main_Form::collectControls()
{
    Ui::main_Form &ui = *m_ui;
    PanelControls c;
    c.window = this;
    c.Frequency_display = ui.Frequency_display;
    c.CW_speed_display = ui.CW_speed_display;
    // The highest index stands at the top of each frame.
    c.Step_Option = new OptionArray(
        QStringLiteral("Step_Option"),
        {ui.Step_Option0, ui.Step_Option1, ui.Step_Option2, ui.Step_Option3}, {3, 2, 1, 0}, this);
    c.Power_Option =
        new OptionArray(QStringLiteral("Power_Option"),
                        {ui.Power_Option0, ui.Power_Option1, ui.Power_Option2, ui.Power_Option3},
                        {3, 2, 1, 0}, this);
    c.modelEntries = {ui.menu_VAKO_ALDER, ui.menu_VAKO_BIRCH};
    c.menu_Keyer = {ui.menu_Keyer0, ui.menu_Keyer1, ui.menu_Keyer2, ui.menu_Keyer3};
    for (int i = 0; i < c.menu_Keyer.size(); ++i)
        nameArrayEntry(c.menu_Keyer[i], QStringLiteral("menu_Keyer"), i);
    c.menuCom = {ui.menuCom0};
    nameArrayEntry(ui.menuCom0, QStringLiteral("menuCom"), 0);
    c.menuCloseComPort = ui.menuCloseComPort;
    c.Status = ui.Status;
    c.Message_Text = ui.Message_Text;

    for (QAction *entry : findChildren<QAction *>()) {
        if (entry->isCheckable())
            holdCheckMark(entry);
    }

    // The separators are entries of their own, numbered through the menus.
    int separator = 0;
    for (QMenu *menu :
         {ui.menu_File, ui.menu_VAKO_model, ui.menuCom_setting, ui.menu_Keyer_Type, ui.menu_Help}) {
        for (QAction *entry : menu->actions()) {
            if (entry->isSeparator())
                entry->setObjectName(QStringLiteral("menu_space%1").arg(++separator));
        }
    }
    return c;
}

void main_Form::showRemoteReach(const QString &text)
{
    m_ui->Status->setToolTip(text);
    m_ui->Status->setAccessibleDescription(text);
}

void main_Form::onMenuClick(QAction *entry, std::function<void()> handler)
{
    connect(entry, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
}

void main_Form::wireComMenu()
{
    m_ui->menuCom_setting->setToolTipsVisible(true);
    onMenuClick(m_ui->menuCom0, [this] { m_portMenu.menuCom_Click(0); });
    onMenuClick(m_ui->menuCloseComPort, [this] { m_portMenu.menuCloseComPort_Click(); });
    onMenuClick(m_ui->menu_Baud_Rate, [this] { menu_Baud_Rate_Click(); });
    onMenuClick(m_ui->menu_Exit, [this] { menu_Exit_Click(); });
}

QAction *main_Form::newPortEntry(int index)
{
    auto *entry = new QAction(this);
    entry->setObjectName(QStringLiteral("menuCom"));
    entry->setProperty("Index", index);
    entry->setCheckable(true);
    holdCheckMark(entry);
    onMenuClick(entry, [this, index] { m_portMenu.menuCom_Click(index); });
    return entry;
}

void main_Form::Form_Load()
{
    centreOnScreen(this, frameGeometry().size());
    m_session.setBuiltInValues();
    m_ui->Message_Text->setPlainText(QStringLiteral("CQ DE VAKO K"));
    m_ui->Message_Text->moveCursor(QTextCursor::End);
    m_settings.LoadSettings();

    // From here on a step that fails is passed over: each one absorbs its own
    // failures (a port that does not open, a model that is unknown) and the
    // next one runs; the window opens in every case.
    m_portMenu.DiscoverComPorts([this](int n) { return newPortEntry(n); });
    // The port entries stand between the placeholder and the first separator.
    // They go into the menu together once each has its caption and state: a
    // change to an entry already in a menu is an event for the menu too.
    m_ui->menuCom_setting->insertActions(m_ui->menuCom_setting->actions().value(1),
                                         m_context.ui.menuCom.mid(1));
    m_portMenu.OpenStoredComPort();
    if (const ModelProfile *selected = m_session.selectedProfile()) {
        const Number baudRate = m_session.state.BaudRate; // applied with the port
        m_session.loadProfile(*selected);
        m_session.state.BaudRate = baudRate;
    } else {
        m_context.dialogs.message(QStringLiteral("Invalid VAKO Model"));
    }
    m_context.RefreshPanel();
    sendStartUpLines();
    m_ui->Message_Text->setFocus();
}

void main_Form::sendStartUpLines()
{
    // Push the operating values, each line only while the port is open and
    // only with a value its field carries truly.
    const SessionState &state = m_session.state;
    m_link.sendValue(Command::Frequency, state.Frequency);
    m_link.sendValue(Command::Speed, state.CW_speed);
    m_link.sendValue(Command::Power, state.Power);
    m_link.sendValue(Command::Keyer, state.Keyer_Type);
}

void main_Form::menu_Baud_Rate_Click()
{
    if (m_baudRateForm && m_baudRateForm->isVisible()) { // a closed one is on its way out
        m_baudRateForm->setWindowState(m_baudRateForm->windowState() & ~Qt::WindowMinimized);
        m_baudRateForm->activateWindow(); // a window manager raises the window it activates
        return;
    }
    // Modeless and without an owner: the main window stays usable.
    m_baudRateForm = new Baud_Rate_Form(m_context, m_portMenu);
    m_baudRateForm->Form_Load();
    m_baudRateForm->show();
}

void main_Form::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    m_settings.SaveSettings();
    if (m_baudRateForm)
        m_baudRateForm->close(); // its selection is discarded, as by Cancel
}

void main_Form::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

void main_Form::menu_Exit_Click()
{
    if (m_baudRateForm)
        m_baudRateForm->close();
    close();
    QCoreApplication::exit(0);
}
