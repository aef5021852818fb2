#include "QtDialogs.h"

#include "Platform.h"

#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QStringList>

void QtDialogs::endSession()
{
    m_ending = true;
    // Every modal box or dialog waiting now ends its wait, innermost first.
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (auto *dialog = qobject_cast<QDialog *>(window);
            dialog && dialog->isVisible() && dialog->isModal())
            dialog->done(QDialog::Rejected);
    }
}

std::unique_ptr<QMessageBox> QtDialogs::messageBox(const MessageBoxRequest &box) const
{
    auto dialog = std::make_unique<QMessageBox>(m_parent);
    dialog->setWindowTitle(box.title);
    // What the boxes show comes from the transmitter, from file names and from
    // the program: never markup, each character as it is.
    dialog->setTextFormat(Qt::PlainText);
    // A box stays on the screen with its buttons in reach, however much a
    // transmitter (or noise on the line) sent: what does not fit is left out
    // of the text, said so, and kept whole under "Show Details...".
    const QScreen *screen = m_parent ? m_parent->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 640, 480);
    const QRect room(0, 0, area.width() * 3 / 4, area.height() / 2);
    const QFontMetrics metrics(dialog->font());
    const auto shownText = [&box](qsizetype length) {
        if (length == box.text.size())
            return box.text;
        return box.text.left(length) +
               QStringLiteral("\n\u2026 %1 more characters under \"Show Details...\"")
                   .arg(box.text.size() - length);
    };
    const qsizetype length = fittingLength(box.text, [&](qsizetype length) {
        const QRect needed = metrics.boundingRect(room, Qt::TextWordWrap, shownText(length));
        return needed.width() <= room.width() && needed.height() <= room.height();
    });
    dialog->setText(shownText(length));
    if (length < box.text.size())
        dialog->setDetailedText(box.text);
    static constexpr QMessageBox::Icon icons[] = {QMessageBox::NoIcon, QMessageBox::Information,
                                                  QMessageBox::Warning};
    dialog->setIcon(icons[int(box.icon)]);
    if (box.buttons == MessageBoxRequest::Buttons::YesNo) {
        dialog->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        dialog->setDefaultButton(box.defaultYes ? QMessageBox::Yes : QMessageBox::No);
    } else {
        dialog->setStandardButtons(QMessageBox::Ok);
    }
    return dialog;
}

Dialogs::Answer QtDialogs::show(const MessageBoxRequest &box)
{
    if (m_ending)
        return box.buttons == MessageBoxRequest::Buttons::YesNo ? Answer::No : Answer::Ok;
    const int answer = messageBox(box)->exec();
    if (box.buttons == MessageBoxRequest::Buttons::YesNo)
        return answer == QMessageBox::Yes ? Answer::Yes : Answer::No;
    return Answer::Ok;
}

QString QtDialogs::qtFilter(const QString &filter)
{
    // Pairs of description and pattern, as the operator's Windows dialogs
    // take them; Qt wants "description (patterns)" joined by ";;".
    // "*.*" is every file to the operator, also one without a dot in its
    // name: "*" says so to Qt on every system. The dialogs hide the patterns,
    // showing each type by its own name.
    const QStringList parts = filter.split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString pattern = parts[i + 1] == u"*.*" ? QStringLiteral("*") : parts[i + 1];
        entries << parts[i] + QStringLiteral(" (") + pattern + u')';
    }
    return entries.join(QStringLiteral(";;"));
}

std::unique_ptr<QFileDialog> QtDialogs::fileDialog(const QString &title, const QString &filter,
                                                   const QString &startName, bool save) const
{
    auto dialog = std::make_unique<QFileDialog>(m_parent, title, startName, qtFilter(filter));
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The program asks about replacing an existing file itself.
    dialog->setOptions(QFileDialog::DontConfirmOverwrite | QFileDialog::HideNameFilterDetails);
    return dialog;
}

QString QtDialogs::openFileName(const QString &title, const QString &filter,
                                const QString &startName)
{
    return chosenFile(fileDialog(title, filter, startName, false));
}

QString QtDialogs::saveFileName(const QString &title, const QString &filter,
                                const QString &startName)
{
    return chosenFile(fileDialog(title, filter, startName, true));
}

QString QtDialogs::chosenFile(const std::unique_ptr<QFileDialog> &dialog) const
{
    if (m_ending || dialog->exec() != QDialog::Accepted)
        return QString();
    return dialog->selectedFiles().value(0);
}

void QtDialogs::openDocument(const QString &path, std::function<void(bool shown)> shown)
{
    Platform::openDocument(path, m_parent, std::move(shown));
}
