#pragma once

#include <QtCore>

#include <csignal>

// A program of the project run as a process of its own. The panel runs from a
// copy in `folder`, so its settings file is the one beside that copy, and a
// file it keeps per user goes to folder/config instead of the home folder.
class Program
{
public:
    static Program panel(const QString &folder)
    {
        QFile::copy(VAKO_PANEL_PATH, folder + "/vako-panel");
        QFile::copy(VAKO_PROGRAM_DIR "/vako-rigserver.so", folder + "/vako-rigserver.so");
        return Program(folder + "/vako-panel", folder + "/config");
    }
    static Program simulator() { return Program(VAKO_TXSIM_PATH, QString()); }
    qint64 pid() const { return m_process.processId(); }
    ~Program()
    {
        m_process.kill(); // nothing when it has ended
        m_process.waitForFinished();
    }

    bool start(const QStringList &arguments = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.remove("QT_FATAL_WARNINGS"); // the offscreen platform warns at every message box
        env.insert("XDG_CONFIG_HOME", m_config.isEmpty() ? env.value("XDG_CONFIG_HOME") : m_config);
        m_process.setProcessEnvironment(env);
        m_process.start(m_path, arguments);
        return m_process.waitForStarted();
    }
    // Still running after ms: it neither crashed nor gave up.
    bool runningAfter(int ms) { return !m_process.waitForFinished(ms); }
    // Ends it as a logout would: true when it ended of itself, with exit code 0.
    bool terminate()
    {
        ::kill(pid_t(m_process.processId()), SIGTERM);
        return m_process.waitForFinished(20000) && m_process.exitStatus() == QProcess::NormalExit &&
               m_process.exitCode() == 0;
    }
    // The first capture of each match of `pattern` in the output so far, once
    // `count` have come or after timeoutMs.
    QStringList output(const QString &pattern, int count = 1, int timeoutMs = 10000)
    {
        QStringList found;
        for (QDeadlineTimer end(timeoutMs); found.size() < count && !end.hasExpired();) {
            m_process.waitForReadyRead(50);
            m_output += QString::fromUtf8(m_process.readAllStandardOutput());
            found.clear();
            for (const QRegularExpressionMatch &m :
                 QRegularExpression(pattern).globalMatch(m_output))
                found << m.captured(1);
        }
        return found;
    }
    QString errors() { return QString::fromLocal8Bit(m_process.readAllStandardError()); }

private:
    Program(QString path, QString config) : m_path(std::move(path)), m_config(std::move(config)) {}
    QString m_path, m_config, m_output;
    QProcess m_process;
};
