#pragma once

#include <QPlainTextEdit>

// The message box. The transmitter keys what the box holds, so nothing the
// operator did not delete ever leaves it: typing, pasting and dropping stop
// at kMaxTyped characters by refusing what does not fit of the inserted
// text, while a text the program puts in (an opened message file) keeps its
// full length.
class MessageText : public QPlainTextEdit
{
    Q_OBJECT
public:
    static constexpr int kMaxTyped = 200;

    using QPlainTextEdit::QPlainTextEdit;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    // How many characters an insertion may add in place of the selection.
    qsizetype room() const;
};
