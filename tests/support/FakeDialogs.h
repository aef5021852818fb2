#pragma once

#include "app/Dialogs.h"

#include <QList>
#include <QStringList>

#include <functional>

// The operator, scripted: records each box and each dialog, answers from the
// queues (Yes for an unscripted question, cancel for an unscripted dialog).
class FakeDialogs : public Dialogs
{
public:
    QList<MessageBoxRequest> boxes;
    QList<Answer> answers;

    struct FileRequest
    {
        bool save;
        QString title;
        QString filter;
        QString startName;
    };
    QList<FileRequest> fileRequests;
    QStringList fileAnswers; // an empty entry cancels

    QStringList openedDocuments;
    bool documentOpens = true;

    // Called while a box is "open", to act as the operator could meanwhile.
    std::function<void(const MessageBoxRequest &)> onBox;

    QStringList texts() const;

    Answer show(const MessageBoxRequest &box) override;
    QString openFileName(const QString &title, const QString &filter,
                         const QString &startName) override;
    QString saveFileName(const QString &title, const QString &filter,
                         const QString &startName) override;
    bool openDocument(const QString &path) override;
};
