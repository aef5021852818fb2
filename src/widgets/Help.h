#pragma once

#include <QString>

#include <utility>

class Dialogs;

// "Guide" and "About" of the Help menu.
class Help
{
public:
    // `programFolder`: the folder of the running program, where its guide
    // lies beside it.
    explicit Help(Dialogs &dialogs, QString programFolder = QString())
        : m_dialogs(dialogs), m_programFolder(std::move(programFolder))
    {
    }

    void menu_Guide_Click();
    void menu_About_Click();

    static QString aboutText();

private:
    // "guide.html" in the program's folder.
    QString guidePath() const;

    Dialogs &m_dialogs;
    QString m_programFolder;
};
