#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT, SIGTERM and SIGHUP into a Qt signal on the event loop, so the
// program can log a last line and end cleanly. The handler only writes the
// signal number into a pipe (the one thing that is safe in a handler); the
// event loop reads it from there.
class SignalWatcher : public QObject
{
    Q_OBJECT

public:
    explicit SignalWatcher(QObject *parent = nullptr);
    ~SignalWatcher() override;

    // Installs the handlers; false when the pipe cannot be made.
    bool install();

    static QString name(int signalNumber);

signals:
    void caught(int signalNumber);

private:
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
};
