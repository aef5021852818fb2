// vako-savestorm PATH: saves the settings file at PATH without pause, each
// time with other values, and reports each finished save on its output as
// the save's number and a line end. It starts from the number the file
// holds, so a run that was killed goes on where it stopped. The crash-safety
// suite kills it at random moments and looks at what the file holds.

#include "SaveStormState.h"
#include "settings/SettingsFile.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: vako-savestorm PATH\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    Session session;
    session.setBuiltInValues();
    SettingsFile settings(session, path);
    settings.LoadSettings();
    qint64 k = saveNumberOf(session).value_or(0);
    for (;;) {
        setSaveState(session, ++k);
        if (!settings.SaveSettings())
            return 1;
        const QByteArray line = QByteArray::number(k) + '\n';
        if (::write(1, line.constData(), size_t(line.size())) != line.size())
            return 1;
    }
}
