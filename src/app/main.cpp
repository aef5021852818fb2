#include "app/Dialogs.h"
#include "app/Fonts.h"
#include "app/QtDialogs.h"
#include "app/main_Form.h"
#include "link/QtSerialControl.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vako-panel"));
    QApplication::setApplicationDisplayName(kApplicationTitle);
    QApplication::setApplicationVersion(QStringLiteral(VAKO_VERSION));

    installFontSubstitutes();

    QtSerialControl comm([](qint64) { return QString(); });
    QtDialogs dialogs;
    main_Form form(comm, dialogs);
    dialogs.setParent(&form);
    form.setProgramFolder(QCoreApplication::applicationDirPath());
    form.Form_Load();
    form.show();
    return app.exec();
}
