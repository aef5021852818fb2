#pragma once

#include "app/Dialogs.h"

#include <QList>
#include <QStringList>

#include <functional>

// The operator, scripted: records each box and file dialog, answers from the
// queues (Yes to an unscripted question, cancel to an unscripted dialog).
class FakeDialogs : public Dialogs
{
public:
    struct FileRequest
    {
        bool save;
        QString title, filter, startName;
    };
    QList<MessageBoxRequest> boxes;
    QList<Answer> answers;
    QList<FileRequest> fileRequests;
    QStringList fileAnswers; // an empty entry cancels
    QStringList openedDocuments;
    bool documentOpens = true;
    std::function<void(const MessageBoxRequest &)> onBox; // acts while a box is open

    QStringList texts() const
    {
        QStringList all;
        for (const MessageBoxRequest &box : boxes)
            all << box.text;
        return all;
    }
    Answer show(const MessageBoxRequest &box) override
    {
        boxes << box;
        if (onBox)
            onBox(box);
        if (box.buttons == MessageBoxRequest::Buttons::Ok)
            return Answer::Ok;
        return answers.isEmpty() ? Answer::Yes : answers.takeFirst();
    }
    QString openFileName(const QString &t, const QString &f, const QString &s) override
    {
        return file(false, t, f, s);
    }
    QString saveFileName(const QString &t, const QString &f, const QString &s) override
    {
        return file(true, t, f, s);
    }
    bool openDocument(const QString &path) override
    {
        openedDocuments << path;
        return documentOpens;
    }

private:
    QString file(bool save, const QString &t, const QString &f, const QString &s)
    {
        fileRequests << FileRequest{save, t, f, s};
        return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
    }
};
