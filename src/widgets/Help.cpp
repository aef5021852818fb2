#include "Help.h"

#include "Dialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

QString Help::guidePath() const
{
    return QDir(m_programFolder).filePath(QStringLiteral("guide.html"));
}

void Help::menu_Guide_Click()
{
    // The same message whatever kept the guide from the operator's eyes: no
    // file, or no program that can show it (known only once the opener ends).
    const QString path = guidePath();
    Dialogs &dialogs = m_dialogs;
    const auto notShown = [&dialogs, path](bool shown) {
        if (!shown)
            dialogs.message(QStringLiteral("File not found!\n\n") + QDir::toNativeSeparators(path),
                            QStringLiteral("Guide"), MessageBoxRequest::Icon::Exclamation);
    };
    if (QFileInfo(path).isFile())
        m_dialogs.openDocument(path, notShown);
    else
        notShown(false);
}

QString Help::aboutText()
{
    return QStringList{
        QStringLiteral("VAKO Control Panel"),
        QStringLiteral("Version " VAKO_VERSION),
        QString(),
        QStringLiteral("Control panel for the VAKO ALDER (136 kHz) and BIRCH (500 kHz) CW "
                       "transmitters"),
        QStringLiteral("Free software under the MIT License"),
    }
        .join(u'\n');
}

void Help::menu_About_Click()
{
    m_dialogs.message(aboutText(), QStringLiteral("About"), MessageBoxRequest::Icon::None);
}
