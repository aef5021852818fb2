#pragma once

#include <QObject>

class QSocketNotifier;

// Turns the system's requests to end a program (SIGTERM at shutdown or from
// a service manager, SIGINT from a terminal, SIGHUP when the terminal goes)
// into an ordinary event, so that the panel closes its window the normal way
// and saves the operator's settings, and the simulator logs its last line.
// On systems without these signals it watches nothing.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

    // False when the signals could not be watched (no pipe could be made).
    bool isWatching() const { return m_notifier != nullptr; }
    // "SIGTERM", "SIGINT", "SIGHUP", or "signal N".
    static QString name(int signalNumber);

Q_SIGNALS:
    void terminationRequested(int signalNumber);

private:
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
};
