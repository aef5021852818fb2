#include "Baud_Rate_Form.h"

#include "HandlerContext.h"
#include "OptionArray.h"
#include "PortMenu.h"
#include "WindowLook.h"
#include "serial/SerialControl.h"
#include "ui_Baud_Rate_Form.h"

const QStringList &Baud_Rate_Form::speeds()
{
    static const QStringList list{QStringLiteral("9600"), QStringLiteral("19200"),
                                  QStringLiteral("38400"), QStringLiteral("57600"),
                                  QStringLiteral("115200")};
    return list;
}

Baud_Rate_Form::Baud_Rate_Form(HandlerContext &context, PortMenu &ports, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::Baud_Rate_Form>()), m_context(context),
      m_ports(ports)
{
    m_ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(kClientWidth, kClientHeight);
    applyFrameLook(m_ui->Frame1);

    // The slowest speed at the top.
    m_options =
        new OptionArray(QStringLiteral("BaudRate_Option"),
                        {m_ui->BaudRate_Option0, m_ui->BaudRate_Option1, m_ui->BaudRate_Option2,
                         m_ui->BaudRate_Option3, m_ui->BaudRate_Option4},
                        {0, 1, 2, 3, 4}, this);
    connect(m_ui->Ok_Command, &QPushButton::clicked, this, &Baud_Rate_Form::Ok_Command_Click);
    connect(m_ui->Cancel_Command, &QPushButton::clicked, this,
            &Baud_Rate_Form::Cancel_Command_Click);
}

Baud_Rate_Form::~Baud_Rate_Form() = default;

void Baud_Rate_Form::Form_Load()
{
    centreOnScreen(this, size());
    // The current speed, compared as text: only one of the five exact texts
    // selects its button.
    const Number speed = m_context.state.BaudRate;
    const QString current = speed ? QString::number(*speed) : QString();
    const int index = static_cast<int>(speeds().indexOf(current));
    if (index >= 0)
        m_options->button(index)->setChecked(true);
    m_ui->Ok_Command->setFocus();
}

int Baud_Rate_Form::selectedIndex() const
{
    return m_options->checkedId();
}

void Baud_Rate_Form::Ok_Command_Click()
{
    SessionState &state = m_context.state;
    const int index = selectedIndex();
    // No button selected and a current speed that is none of the five: there
    // is nothing the line could take, so nothing is applied or stored.
    if (index >= 0 || (state.BaudRate && speeds().contains(QString::number(*state.BaudRate)))) {
        if (index >= 0)
            state.BaudRate = speeds().at(index).toLongLong();
        m_ports.applyLineSettings(lineSettingsText(state.BaudRate));
        m_context.session.copyToProfile(&ModelProfile::BaudRate, state.BaudRate);
    }
    close();
}

void Baud_Rate_Form::Cancel_Command_Click()
{
    close();
}
