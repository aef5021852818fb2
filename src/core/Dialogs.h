#pragma once

#include <QString>

#include <functional>

// The application's own title: every message box without a title of its own
// carries it.
inline const QString kApplicationTitle = QStringLiteral("VAKO Control Panel");

// A message box as the panel asks for it.
struct MessageBoxRequest
{
    enum class Icon
    {
        None,
        Information,
        Exclamation
    };
    enum class Buttons
    {
        Ok,
        YesNo
    };

    QString text; // lines joined by "\n"
    QString title = kApplicationTitle;
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    bool defaultYes = true; // with Yes/No: which button is the default
};

// How much of a text, from its start, a box can show: the longest length
// that `fits` accepts (`fits` accepts a length as long as every shorter one),
// the whole text when it fits as it is.
qsizetype fittingLength(const QString &text, const std::function<bool(qsizetype length)> &fits);

// Everything modal or external the panel does: message boxes, the file
// dialogs, and opening a document in the system's viewer. The program uses
// the real windows; tests script the operator's answers.
class Dialogs
{
public:
    enum class Answer
    {
        Ok,
        Yes,
        No
    };

    virtual ~Dialogs() = default;

    virtual Answer show(const MessageBoxRequest &box) = 0;
    // The file chosen, or the empty text when the operator cancels. `filter`
    // is in the form "Name(*.txt)|*.txt|All files(*.*)|*.*".
    virtual QString openFileName(const QString &title, const QString &filter,
                                 const QString &startName) = 0;
    virtual QString saveFileName(const QString &title, const QString &filter,
                                 const QString &startName) = 0;
    // Asks the system to show a document in the program it associates with
    // it, without waiting for that program: `shown` learns, perhaps later,
    // whether it could be shown.
    virtual void openDocument(const QString &path, std::function<void(bool shown)> shown) = 0;

    // An OK box with the application's title.
    void message(const QString &text) { show(MessageBoxRequest{text}); }
    void message(const QString &text, const QString &title, MessageBoxRequest::Icon icon)
    {
        show(MessageBoxRequest{text, title, icon});
    }
};
