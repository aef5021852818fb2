#pragma once

#include <QObject>
#include <QTimer>

// Lets the text caret stop blinking once the operator has left the keyboard
// and mouse alone for a while, as desktop environments do. A blinking caret
// wakes the program twice a second for as long as it runs; a panel left open
// all night beside the transmitter then costs nothing. Any key press or mouse
// click starts the blinking again.
class CaretRest : public QObject
{
    Q_OBJECT
public:
    explicit CaretRest(int restAfterMs = 10000, QObject *parent = nullptr);
    ~CaretRest() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void rest();
    void wake();

    QTimer m_timer;
    int m_flashTime;
    bool m_resting = false;
};
