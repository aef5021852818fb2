#pragma once

#include <QFile>
#include <QProcess>
#include <QString>

#include <csignal>

#ifndef VAKO_PANEL_PATH
#error "a test that runs the real program defines VAKO_PANEL_PATH"
#endif

// The real program as a process of its own, run from a copy in the test's
// folder: its settings file is the one beside that copy, and a settings file
// it must keep per user goes to the folder's "config" instead of the home.
class PanelProcess
{
public:
    explicit PanelProcess(const QString &folder)
        : m_folder(folder), m_program(folder + QStringLiteral("/vako-panel"))
    {
        if (!QFile::exists(m_program))
            QFile::copy(QStringLiteral(VAKO_PANEL_PATH), m_program);
    }
    PanelProcess(const PanelProcess &) = delete;
    PanelProcess &operator=(const PanelProcess &) = delete;

    ~PanelProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    bool start()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_folder + QStringLiteral("/config"));
        m_process.setProcessEnvironment(env);
        m_process.start(m_program, {});
        return m_process.waitForStarted();
    }

    // Still running after ms: it neither crashed nor gave up at start-up.
    bool runningAfter(int ms) { return !m_process.waitForFinished(ms); }
    QByteArray errors() { return m_process.readAllStandardError(); }

    // Ends the panel as a service manager or a shutdown would; true when it
    // ended of itself, normally and with exit code 0.
    bool terminate()
    {
        ::kill(static_cast<pid_t>(m_process.processId()), SIGTERM);
        return m_process.waitForFinished(20000) && m_process.exitStatus() == QProcess::NormalExit &&
               m_process.exitCode() == 0;
    }

private:
    QString m_folder;
    QString m_program;
    QProcess m_process;
};
