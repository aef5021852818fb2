#pragma once

#include "Dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

// The panel's message box: plain text, on the screen with its buttons in
// reach however long the text, the buttons and icon the request names.
class PanelMessageBox : public QMessageBox
{
public:
    PanelMessageBox(const MessageBoxRequest &box, QWidget *parent);
};

// The message files' dialog: the types by their own names, "All files" taking
// any name, and no question of its own about replacing a file.
class MessageFileDialog : public QFileDialog
{
public:
    MessageFileDialog(const QString &title, const QString &filter, const QString &startName,
                      bool save, QWidget *parent);
};

// The real message boxes, file dialogs and document viewer.
class QtDialogs : public Dialogs
{
public:
    explicit QtDialogs(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }

    // The program is asked to end (logout, shutdown, a service manager):
    // the box or file dialog that waits for the operator now is closed as
    // if cancelled, and from now on no box or dialog opens; a question is
    // answered No, a file dialog is cancelled. Nobody is there to answer.
    void endSession();

    Answer show(const MessageBoxRequest &box) override;
    QString openFileName(const QString &title, const QString &filter,
                         const QString &startName) override;
    QString saveFileName(const QString &title, const QString &filter,
                         const QString &startName) override;
    void openDocument(const QString &path, std::function<void(bool shown)> shown) override;

private:
    QString chosenFile(const QString &title, const QString &filter, const QString &startName,
                       bool save) const;

    QWidget *m_parent;
    bool m_ending = false;
};
