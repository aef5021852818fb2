#include "MessageFileMenu.h"

#include "Dialogs.h"
#include "messages/MessageFile.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QStringList>

void MessageFileMenu::menuOpen_message_Click()
{
    const QString chosen =
        m_dialogs.openFileName(QStringLiteral("Open Message File"), kFilter, m_fileName);
    if (!chosen.isEmpty()) {
        m_fileName = chosen;
        // A file that cannot be read, or an empty one, leaves the message as
        // it was; what is read goes into the box whole.
        const std::optional<MessageFile::Contents> file = MessageFile::read(chosen);
        if (file && !file->text.isEmpty()) {
            m_box->setPlainText(file->text);
            // Saved again with the line ends and the encoding it came with,
            // so an operator's file is not changed behind their back.
            m_lineEnd = MessageFile::lineEndOf(file->text);
            m_encoding = file->encoding.value_or(MessageFile::Encoding::CodePage);
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

        // A file that is replaced keeps its own encoding; a new one takes the
        // message's.
        const std::optional<MessageFile::Contents> old = MessageFile::read(chosen);
        const MessageFile::Encoding encoding = old && old->encoding ? *old->encoding : m_encoding;
        const QString text = MessageFile::fromBoxText(m_box->document()->toRawText(), m_lineEnd);
        QString unstorable;
        const std::optional<QByteArray> bytes = MessageFile::encode(text, encoding, unstorable);
        if (!bytes) {
            QStringList characters;
            for (const char32_t c : unstorable.toUcs4())
                characters << QString::fromUcs4(&c, 1);
            m_dialogs.message(
                QStringLiteral("The message could not be saved in\n%1\nThese characters cannot "
                               "be stored in its encoding (%2):\n%3")
                    .arg(QDir::toNativeSeparators(chosen),
                         encoding == MessageFile::Encoding::CodePage
                             ? QStringLiteral("the 8-bit code page")
                             : QStringLiteral("UTF-8"),
                         characters.join(u' ')),
                kApplicationTitle, MessageBoxRequest::Icon::Exclamation);
        } else if (!MessageFile::write(chosen, *bytes)) {
            m_dialogs.message(QStringLiteral("The message could not be saved:\n") +
                                  QDir::toNativeSeparators(chosen),
                              kApplicationTitle, MessageBoxRequest::Icon::Exclamation);
        }
        return;
    }
}
