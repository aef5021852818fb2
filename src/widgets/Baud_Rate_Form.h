#pragma once

#include <QDialog>

#include <memory>

class HandlerContext;
class PortMenu;
class QButtonGroup;

namespace Ui {
class Baud_Rate_Form;
}

// The line speed to the transmitter, chosen from the five the transmitters
// take. "Ok" stores the speed for the selected model and applies it to the
// line at once; "Cancel" and the window's close control change nothing.
class Baud_Rate_Form : public QDialog
{
    Q_OBJECT
public:
    static const QStringList &speeds();

    Baud_Rate_Form(HandlerContext &context, PortMenu &ports, QWidget *parent = nullptr);
    ~Baud_Rate_Form() override;

    void Form_Load();
    void Ok_Command_Click();
    void Cancel_Command_Click();

private:
    // The selected speed's index, -1 for none.
    int selectedIndex() const;

    static constexpr int kClientWidth = 266;
    static constexpr int kClientHeight = 169;

    std::unique_ptr<Ui::Baud_Rate_Form> m_ui;
    QButtonGroup *m_options;
    HandlerContext &m_context;
    PortMenu &m_ports;
};
