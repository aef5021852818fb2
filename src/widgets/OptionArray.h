#pragma once

#include <QButtonGroup>
#include <QList>

class QRadioButton;

// A control array of option buttons: one name, each entry's index in its
// "Index" property and its id in the group, so a selection made by the
// operator or by the program runs the array's handler with the index.
//
// The group behaves as option groups do on every desktop: it is one tab
// stop, landing on the selected option; the arrow keys move the selection
// (and so run the handler, as a click does) along the options as they stand
// on the screen, `visual` listing them from top to bottom, and stop at the
// ends, so an arrow never jumps from the lowest power to full power.
class OptionArray : public QButtonGroup
{
    Q_OBJECT
public:
    OptionArray(const QString &name, const QList<QRadioButton *> &entries, const QList<int> &visual,
                QObject *parent);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void updateTabStop();

    QList<int> m_visual;
};
