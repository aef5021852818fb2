#include "FakeDialogs.h"

QStringList FakeDialogs::texts() const
{
    QStringList all;
    for (const MessageBoxRequest &box : boxes)
        all << box.text;
    return all;
}

Dialogs::Answer FakeDialogs::show(const MessageBoxRequest &box)
{
    boxes << box;
    if (onBox)
        onBox(box);
    if (box.buttons == MessageBoxRequest::Buttons::Ok)
        return Answer::Ok;
    return answers.isEmpty() ? Answer::Yes : answers.takeFirst();
}

QString FakeDialogs::openFileName(const QString &title, const QString &filter,
                                  const QString &startName)
{
    fileRequests << FileRequest{false, title, filter, startName};
    return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
}

QString FakeDialogs::saveFileName(const QString &title, const QString &filter,
                                  const QString &startName)
{
    fileRequests << FileRequest{true, title, filter, startName};
    return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
}

bool FakeDialogs::openDocument(const QString &path)
{
    openedDocuments << path;
    return documentOpens;
}
