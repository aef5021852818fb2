#include "QtDialogs.h"

#include "Platform.h"

#include <QApplication>
#include <QGuiApplication>
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

PanelMessageBox::PanelMessageBox(const MessageBoxRequest &box, QWidget *parent)
    : QMessageBox(parent)
{
    setWindowTitle(box.title);
    // What the boxes show comes from the transmitter, from file names and from
    // the program: never markup, each character as it is.
    setTextFormat(Qt::PlainText);
    // A box stays on the screen with its buttons in reach, however much a
    // transmitter (or noise on the line) sent: what does not fit is left out
    // of the text, said so, and kept whole under "Show Details...".
    const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 640, 480);
    const QRect room(0, 0, area.width() * 3 / 4, area.height() / 2);
    const QFontMetrics metrics(font());
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
    setText(shownText(length));
    if (length < box.text.size())
        setDetailedText(box.text);
    static constexpr QMessageBox::Icon icons[] = {QMessageBox::NoIcon, QMessageBox::Information,
                                                  QMessageBox::Warning};
    setIcon(icons[int(box.icon)]);
    if (box.buttons == MessageBoxRequest::Buttons::YesNo) {
        setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        setDefaultButton(box.defaultYes ? QMessageBox::Yes : QMessageBox::No);
    } else {
        setStandardButtons(QMessageBox::Ok);
    }
}

Dialogs::Answer QtDialogs::show(const MessageBoxRequest &box)
{
    if (m_ending)
        return box.buttons == MessageBoxRequest::Buttons::YesNo ? Answer::No : Answer::Ok;
    const int answer = PanelMessageBox(box, m_parent).exec();
    if (box.buttons == MessageBoxRequest::Buttons::YesNo)
        return answer == QMessageBox::Yes ? Answer::Yes : Answer::No;
    return Answer::Ok;
}

// "Message(*.txt)|*.txt|All files(*.*)|*.*" as a Qt file-dialog filter.
static QString qtFilter(const QString &filter)
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

MessageFileDialog::MessageFileDialog(const QString &title, const QString &filter,
                                     const QString &startName, bool save, QWidget *parent)
    : QFileDialog(parent, title, startName, qtFilter(filter))
{
    setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The program asks about replacing an existing file itself.
    setOptions(QFileDialog::DontConfirmOverwrite | QFileDialog::HideNameFilterDetails);
}

QString QtDialogs::openFileName(const QString &title, const QString &filter,
                                const QString &startName)
{
    return chosenFile(title, filter, startName, false);
}

QString QtDialogs::saveFileName(const QString &title, const QString &filter,
                                const QString &startName)
{
    return chosenFile(title, filter, startName, true);
}

QString QtDialogs::chosenFile(const QString &title, const QString &filter, const QString &startName,
                              bool save) const
{
    MessageFileDialog dialog(title, filter, startName, save, m_parent);
    if (m_ending || dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

void QtDialogs::openDocument(const QString &path, std::function<void(bool shown)> shown)
{
    Platform::openDocument(path, m_parent, std::move(shown));
}
