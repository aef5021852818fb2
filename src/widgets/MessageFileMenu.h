#pragma once

#include "messages/MessageFile.h"

#include <QString>

class Dialogs;
class QPlainTextEdit;

// "Open Message" and "Save Message" of the File menu: message texts kept in
// files, loaded into and saved from the message box.
class MessageFileMenu
{
public:
    MessageFileMenu(Dialogs &dialogs, QPlainTextEdit *Message_Text)
        : m_dialogs(dialogs), m_box(Message_Text)
    {
    }

    void menuOpen_message_Click();
    void menu_Save_Message_Click();

    // Two file types, message files first, in the form the dialogs take.
    static inline const QString kFilter = QStringLiteral("Message(*.txt)|*.txt|All files(*.*)|*.*");

private:
    Dialogs &m_dialogs;
    QPlainTextEdit *m_box;
    // The file dialog's name: the file last opened or saved, so that "Open
    // Message" starts where the operator last worked; empty again after a
    // cancelled save.
    QString m_fileName;
    // The line end and the encoding of the message file opened last: CR LF
    // and the code page before any.
    QString m_lineEnd = QStringLiteral("\r\n");
    MessageFile::Encoding m_encoding = MessageFile::Encoding::CodePage;
};
