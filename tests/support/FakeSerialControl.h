#pragma once

#include "link/SerialControl.h"

#include <QList>
#include <QSet>

// A scripted serial control: records every write as bytes, hands out text a
// test queued as received, and can be told which ports exist and what to
// refuse.
class FakeSerialControl : public SerialControl
{
    Q_OBJECT
public:
    using SerialControl::SerialControl;

    // Ports that can be opened. Busy ports are listed here too but refuse
    // the open, as a port another program holds.
    QSet<qint64> presentPorts;
    QSet<qint64> busyPorts;
    bool refuseSettings = false;
    bool refuseOpen = false;

    // Every line written, one entry per write, and the whole wire.
    QList<QByteArray> writes;
    QByteArray wire() const;
    void clearWrites() { writes.clear(); }

    // Text the transmitter sent; a read returns it all and empties it.
    QByteArray receiveBuffer;

    // What was asked of the control, for tests of the port routines.
    QList<qint64> commPortWrites;
    QList<QString> settingsWrites;
    int openCount = 0;
    QString appliedSettings; // the settings the port was last opened with
    qint64 openPort = 0;

    // The port breaks on its own: as an adapter pulled out.
    void failPort();

    bool setCommPort(qint64 portNumber) override;
    bool setSettings(const QString &settings) override;
    bool portOpen() const override { return m_open; }
    bool setPortOpen(bool open) override;
    bool output(const QByteArray &bytes) override;
    QByteArray input() override;

private:
    qint64 m_commPort = 0;
    QString m_settings = QStringLiteral("9600,n,8,1");
    bool m_open = false;
};
