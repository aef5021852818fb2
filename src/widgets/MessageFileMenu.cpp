#include "MessageFileMenu.h"

#include "Dialogs.h"
#include "messages/MessageFile.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QTextDocument>

void MessageFileMenu::menuOpen_message_Click()
{
    const QString chosen =
        m_dialogs.openFileName(QStringLiteral("Open Message File"), kFilter, m_fileName);
    if (!chosen.isEmpty()) {
        m_fileName = chosen;
        // A file that cannot be read, or an empty one, leaves the message as
        // it was; what is read goes into the box whole.
        const std::optional<QString> text = MessageFile::read(chosen);
        if (text && !text->isEmpty()) {
            m_box->setPlainText(*text);
            // Saved again with the line ends it came with, so an operator's
            // file is not changed behind their back.
            m_lineEnd = MessageFile::lineEndOf(*text);
        }
    }
    // Ready to type on at the end, whatever happened.
    m_box->moveCursor(QTextCursor::End);
}

void MessageFileMenu::menu_Save_Message_Click()
{
    for (;;) {
        // The save dialog always starts with an empty name.
        m_fileName.clear();
        const QString chosen =
            m_dialogs.saveFileName(QStringLiteral("Save Message File"), kFilter, m_fileName);
        if (chosen.isEmpty())
            return;
        m_fileName = chosen;

        switch (MessageFile::probe(chosen)) {
        case MessageFile::Presence::Unknown:
            m_dialogs.message(QStringLiteral("Problem with the file"));
            return;
        case MessageFile::Presence::Absent:
            break;
        case MessageFile::Presence::Present: {
            MessageBoxRequest question;
            question.text = QStringLiteral("File Already Exists!\n\nDo you want replace it?");
            question.title = QStringLiteral("File Exists!");
            question.buttons = MessageBoxRequest::Buttons::YesNo;
            question.defaultYes = true;
            if (m_dialogs.show(question) != Dialogs::Answer::Yes)
                continue; // another name
            if (!MessageFile::replaceable(chosen)) {
                m_dialogs.message(
                    QStringLiteral("The file is not available. It may be used by another "
                                   "application"),
                    QStringLiteral("File in use"), MessageBoxRequest::Icon::None);
                return;
            }
            break;
        }
        }

        const QString text = MessageFile::fromBoxText(m_box->document()->toRawText(), m_lineEnd);
        if (!MessageFile::write(chosen, text)) {
            m_dialogs.message(QStringLiteral("The message could not be saved:\n") +
                                  QDir::toNativeSeparators(chosen),
                              kApplicationTitle, MessageBoxRequest::Icon::Exclamation);
        }
        return;
    }
}
