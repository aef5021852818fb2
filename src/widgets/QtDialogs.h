#pragma once

#include "Dialogs.h"

#include <memory>

class QFileDialog;
class QMessageBox;
class QWidget;

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
    // The box `show` waits on and the file dialog the two below wait on, made
    // but not shown: what they will look like, where no window may be shown
    // (the offscreen platform warns at each one).
    std::unique_ptr<QMessageBox> messageBox(const MessageBoxRequest &box) const;
    std::unique_ptr<QFileDialog> fileDialog(const QString &title, const QString &filter,
                                            const QString &startName, bool save) const;
    QString openFileName(const QString &title, const QString &filter,
                         const QString &startName) override;
    QString saveFileName(const QString &title, const QString &filter,
                         const QString &startName) override;
    void openDocument(const QString &path, std::function<void(bool shown)> shown) override;

    // "Message(*.txt)|*.txt|All files(*.*)|*.*" as a Qt file-dialog filter.
    static QString qtFilter(const QString &filter);

private:
    QString chosenFile(const std::unique_ptr<QFileDialog> &dialog) const;

    QWidget *m_parent;
    bool m_ending = false;
};
