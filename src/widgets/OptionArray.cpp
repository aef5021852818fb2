#include "OptionArray.h"

#include <QKeyEvent>
#include <QRadioButton>

OptionArray::OptionArray(const QString &name, const QList<QRadioButton *> &entries,
                         const QList<int> &visual, QObject *parent)
    : QButtonGroup(parent), m_visual(visual)
{
    setObjectName(name);
    for (int i = 0; i < entries.size(); ++i) {
        entries[i]->setObjectName(name);
        entries[i]->setProperty("Index", i);
        entries[i]->installEventFilter(this);
        addButton(entries[i], i);
    }
    connect(this, &QButtonGroup::idToggled, this, &OptionArray::updateTabStop);
    updateTabStop();
}

void OptionArray::updateTabStop()
{
    // Only the selected option takes the focus from Tab; with none selected
    // (a value out of range) the top one does, so the group stays reachable.
    const int stop = checkedId() >= 0 ? checkedId() : m_visual.value(0);
    for (QAbstractButton *entry : buttons())
        entry->setFocusPolicy(id(entry) == stop ? Qt::StrongFocus : Qt::ClickFocus);
}

bool OptionArray::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QButtonGroup::eventFilter(watched, event);
    int step = 0;
    switch (static_cast<QKeyEvent *>(event)->key()) {
    case Qt::Key_Up:
    case Qt::Key_Left:
        step = -1;
        break;
    case Qt::Key_Down:
    case Qt::Key_Right:
        step = 1;
        break;
    default:
        return QButtonGroup::eventFilter(watched, event);
    }
    const qsizetype at = m_visual.indexOf(id(static_cast<QAbstractButton *>(watched)));
    if (QAbstractButton *next = button(m_visual.value(at + step, -1))) {
        next->setFocus(Qt::TabFocusReason);
        next->click();
    }
    return true; // the arrow is the group's, at its ends too
}
