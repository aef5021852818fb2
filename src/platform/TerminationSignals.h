#pragma once

#include <QObject>

class QSocketNotifier;

// Turns the system's requests to end the program (SIGTERM at shutdown or from
// a service manager, SIGINT from a terminal, SIGHUP when the terminal goes)
// into an ordinary event, so that the panel closes its window the normal way
// and saves the operator's settings. On systems without these signals it
// does nothing.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

Q_SIGNALS:
    void terminationRequested();

private:
    QSocketNotifier *m_notifier = nullptr;
};
