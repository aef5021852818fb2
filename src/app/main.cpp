#include "CaretRest.h"
#include "Dialogs.h"
#include "Platform.h"
#include "QtDialogs.h"
#include "TerminationSignals.h"
#include "WindowLook.h"
#include "main_Form.h"
#include "remote/RigServerModule.h"
#include "serial/PortTable.h"
#include "serial/SerialControl.h"
#include "settings/IniFile.h"
#include "settings/SettingsFile.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLibrary>
#include <QTimer>

#include <memory>

int main(int argc, char *argv[])
{
    const Platform::FontConfigurationReader fonts; // while the display is connected
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("VAKO"));
    QApplication::setApplicationName(QStringLiteral("vako-panel"));
    QApplication::setApplicationVersion(QStringLiteral(VAKO_VERSION));
    // The desktop matches the window to its menu entry and icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral(VAKO_APP_ID));
    installFontSubstitutes();
    installPanelStyle();

    const SettingsLocation settings = settingsLocationFor(QCoreApplication::applicationFilePath());
    const IniDocument settingsFile = IniDocument::load(settings.readable());
    const PortTable ports = PortTable::fromSettings(settingsFile);
    const auto deviceForPort = [&ports](qint64 n) { return ports.deviceFor(n); };

    const std::unique_ptr<SerialControl> comm = makePortSerialControl(deviceForPort);
    QtDialogs dialogs;
    main_Form form(
        *comm, dialogs,
        PanelEnvironment{settings, deviceForPort, QCoreApplication::applicationDirPath()});
    dialogs.setParent(&form);
    installPanelIcon(&form); // before the start-up, whose message boxes carry it too

    // A logout, a shutdown or a kill closes the window as the operator would,
    // so the settings are saved once and the program ends normally.
    // A request that comes while a message box waits for the operator (one
    // the start-up shows included) ends that wait first: nobody may be
    // there to click OK, and the session must still end.
    TerminationSignals termination;
    bool ending = false;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &form,
                     [&form, &dialogs, &ending] {
                         ending = true;
                         dialogs.endSession();
                         form.close();
                         QCoreApplication::exit(0);
                     });

    CaretRest caretRest;
    form.Form_Load();
    if (ending)
        return 0; // asked to end during the start-up; the settings are saved
    form.show();

    // The ports for other station programs (the rig port and the CW keyer
    // port) open after the start-up, which stays as it always was; a port
    // that cannot open is told once, and the panel runs on without it.
    // "--listen ADDRESS" (or "--listen=ADDRESS") names it for this run, over
    // Listen= in the settings file's [Remote] section, and "--keyer ADDRESS"
    // the CW keyer port over Keyer=; empty is off. Other arguments are left
    // alone, as they always were.
    QCommandLineParser commandLine;
    const QCommandLineOption listenOption(QStringLiteral("listen"),
                                          QStringLiteral("Port for other station programs."),
                                          QStringLiteral("address"));
    const QCommandLineOption keyerOption(QStringLiteral("keyer"),
                                         QStringLiteral("CW keyer port for other programs."),
                                         QStringLiteral("address"));
    commandLine.addOptions({listenOption, keyerOption});
    (void)commandLine.parse(QCoreApplication::arguments());
    const auto remoteSetting = [&settingsFile](const char *key) {
        return settingsFile.value(QStringLiteral("Remote"), QLatin1String(key)).value_or(QString());
    };
    const auto given = [&](const QCommandLineOption &option, const char *key) {
        return commandLine.isSet(option) ? commandLine.value(option) : remoteSetting(key);
    };
    const RigServerModule::Settings remoteSettings{
        given(listenOption, "Listen"), given(keyerOption, "Keyer"), remoteSetting("AllowFrom")};
    // Their code is a module beside the program, loaded only when a port is
    // on: a panel without them starts as if the ports did not exist. The
    // servers go before the window whose handlers they drive.
    std::unique_ptr<QObject> remote;
    if (!(remoteSettings.listen + remoteSettings.keyer).trimmed().isEmpty()) {
        QLibrary module(QCoreApplication::applicationDirPath() + u'/' +
                        QLatin1String(RigServerModule::kName));
        RigServerModule::Outcome outcome;
        QString &failure = outcome.failure;
        if (const auto start =
                reinterpret_cast<RigServerModule::Start>(module.resolve(RigServerModule::kStart)))
            remote.reset(start(form.remoteControl(), remoteSettings, outcome));
        else
            failure = RigServerModule::failure(
                remoteSettings.listen.trimmed().isEmpty() ? remoteSettings.keyer
                                                          : remoteSettings.listen,
                QStringLiteral("its module is missing or broken (%1)").arg(module.errorString()));
        form.showRemoteReach(outcome.openBeyond);
        if (!failure.isEmpty())
            QTimer::singleShot(0, &form, [&dialogs, failure] { dialogs.message(failure); });
    }
    return app.exec();
}
