#include "MessageText.h"

#include <QKeyEvent>
#include <QMimeData>

qsizetype MessageText::room() const
{
    const QTextCursor cursor = textCursor();
    const qsizetype kept = document()->characterCount() - 1 - // without the closing paragraph
                           (cursor.selectionEnd() - cursor.selectionStart());
    return std::max<qsizetype>(0, kMaxTyped - kept);
}

void MessageText::keyPressEvent(QKeyEvent *event)
{
    // A key that types (a line break included) and finds no room types nothing;
    // editing and moving keys go on as always.
    const QString typed = event->text();
    // An operator reaching for a menu with Alt and a letter, as other
    // programs allow, would otherwise type that letter into the message that
    // goes on air: the panel's menus have no access key, so a key with Alt
    // held types nothing. Ctrl with Alt is how Windows reports AltGr, which
    // types characters on many keyboards; it stays.
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (!typed.isEmpty() && modifiers.testFlag(Qt::AltModifier) &&
        !modifiers.testFlag(Qt::ControlModifier))
        return;
    const bool types = !typed.isEmpty() && (typed.at(0).isPrint() || typed == u"\r");
    if (types && room() < typed.size() && !event->matches(QKeySequence::Paste))
        return;
    QPlainTextEdit::keyPressEvent(event);
}

void MessageText::inputMethodEvent(QInputMethodEvent *event)
{
    if (event->commitString().size() > room()) {
        QInputMethodEvent cut(event->preeditString(), event->attributes());
        cut.setCommitString(event->commitString().left(room()), event->replacementStart(),
                            event->replacementLength());
        QPlainTextEdit::inputMethodEvent(&cut);
        return;
    }
    QPlainTextEdit::inputMethodEvent(event);
}

void MessageText::insertFromMimeData(const QMimeData *source)
{
    const QString text = source->text().left(room());
    if (!text.isEmpty())
        textCursor().insertText(text);
}
