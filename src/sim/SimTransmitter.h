#pragma once

#include "SimProtocol.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

struct SimSettings
{
    // The panel collects the reply 100 ms after "?I": a delay above that makes
    // the panel report that no transmitter answered.
    int replyDelayMs = 20;
    // The panel hides the first three characters of the reply, so it begins
    // with a three-character tag; it ends with a CR like every line on the
    // link (the panel shows that CR as part of the text).
    QByteArray info = QByteArrayLiteral("#I:VAKO BIRCH SIM 1.0\r");
    bool silent = false; // no reply to "?I" at all
    int maxLineBytes = 4096;
};

// The transmitter's behaviour, free of any port: bytes go in through
// receive(), log texts and reply bytes come out as signals.
//
// It keeps what the panel has set. Until the panel sets a value it holds the
// power-on state of a BIRCH: 500.000 kHz, 20 wpm, power MIN, keyer Iambic B,
// no message. "=BT" keys the loaded message at the speed set at that moment;
// a later "=S" or "=M" changes the next keying, not the running one, and
// another "=BT" starts the keying afresh.
class SimTransmitter : public QObject
{
    Q_OBJECT

public:
    explicit SimTransmitter(const SimSettings &settings = {}, QObject *parent = nullptr);

    void receive(const QByteArray &bytes);

    int frequency() const { return m_frequency; }
    int speed() const { return m_speed; }
    int power() const { return m_power; }
    int keyer() const { return m_keyer; }
    QByteArray message() const { return m_message; }
    bool isKeying() const { return m_keyingTimer.isActive(); }
    // Length of the running (or last started) keying in ms.

    // One log line: the time as HH:mm:ss.zzz, a blank, the text.
    static QString stamped(const QString &text);

signals:
    void logged(const QString &text);
    void replyReady(const QByteArray &bytes);

private:
    void handle(const SimProtocol::LineSplitter::Line &line);
    void startKeying();
    void stopKeying();
    void finishKeying();
    void reply();

    SimSettings m_settings;
    SimProtocol::LineSplitter m_splitter;

    int m_frequency = 500000;
    int m_speed = 200;
    int m_power = 0;
    int m_keyer = 2;
    QByteArray m_message;

    QTimer m_keyingTimer;
    QElapsedTimer m_keyingClock;
    qint64 m_keyingMs = 0;
};

// "7.560 s" for 7560 ms.
QString secondsText(qint64 ms);
