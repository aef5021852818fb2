#pragma once

#include "Dialogs.h"
#include "remote/RigTarget.h"
#include "serial/SerialControl.h"

#include <QSet>

#include <functional>

// The operator, scripted: every box and file dialog is recorded; questions
// are answered from `answers` (the default button when none is left), file dialogs from
// `fileAnswers` (cancelled when none is left or the entry is empty).
class FakeDialogs : public Dialogs
{
public:
    QList<MessageBoxRequest> boxes;
    QList<Answer> answers;
    QStringList fileAnswers, fileDialogs, opened; // fileDialogs: "title|start name"
    bool documentOpens = true;
    std::function<void(const MessageBoxRequest &)> onBox; // acts while the box is open

    Answer show(const MessageBoxRequest &box) override
    {
        boxes << box;
        if (onBox)
            onBox(box);
        const bool question = box.buttons == MessageBoxRequest::Buttons::YesNo;
        return !question            ? Answer::Ok
               : !answers.isEmpty() ? answers.takeFirst()
               : box.defaultYes     ? Answer::Yes
                                    : Answer::No;
    }
    QString openFileName(const QString &t, const QString &, const QString &s) override
    {
        fileDialogs << t + u'|' + s;
        return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
    }
    QString saveFileName(const QString &t, const QString &f, const QString &s) override
    {
        return openFileName(t, f, s);
    }
    void openDocument(const QString &path, std::function<void(bool)> shown) override
    {
        opened << path;
        shown(documentOpens);
    }
};

// A serial line without hardware: records each write, hands out queued
// received text, and opens only ports that are present and not busy.
class FakeSerialControl : public SerialControl
{
public:
    QSet<qint64> presentPorts, busyPorts;
    QByteArray wire, receiveBuffer;
    QStringList settingsWrites;
    int openCount = 0;

    void failPort() // as an adapter pulled out
    {
        m_open = false;
        Q_EMIT portFailed();
    }
    bool setCommPort(qint64 n) override { return (m_port = n) > 0 && n <= 32767; }
    bool setSettings(const QString &s) override
    {
        settingsWrites << s;
        m_settings = baudRateOfSettings(s) ? s : m_settings;
        return m_settings == s;
    }
    bool portOpen() const override { return m_open; }
    bool setPortOpen(bool open) override
    {
        if (open && (m_open || !presentPorts.contains(m_port) || busyPorts.contains(m_port))) {
            m_refusal = presentPorts.contains(m_port) ? PortRefusal::InUse : PortRefusal::NotThere;
            return false;
        }
        m_open = open;
        openCount += open;
        m_refusal = open ? PortRefusal::None : m_refusal;
        return true;
    }
    PortRefusal refusal() const override { return m_refusal; }
    bool output(const QByteArray &bytes) override
    {
        wire += m_open ? bytes : QByteArray();
        return m_open;
    }
    QByteArray input() override { return m_open ? std::exchange(receiveBuffer, {}) : QByteArray(); }

private:
    qint64 m_port = 0;
    QString m_settings = QStringLiteral("9600,n,8,1");
    bool m_open = false;
    PortRefusal m_refusal = PortRefusal::None;
};

// What a station program drives, recorded: "F500100", "S250", "P2",
// "M:text", "stop". Frequency 500000 Hz, 20 wpm, power option 2.
class FakeRigTarget : public RigTarget
{
public:
    bool open = true;
    QStringList changes;

    bool portOpen() const override { return open; }
    std::optional<qint64> frequency() const override { return 500000; }
    bool setFrequency(qint64 hz) override // the six digits of "=F"
    {
        changes << (hz >= 0 && hz <= 999999 ? "F" + QString::number(hz) : QString());
        return !changes.removeAll(QString());
    }
    std::optional<qint64> speed() const override { return 200; }
    void setSpeed(qint64 tenths) override { changes << "S" + QString::number(tenths); }
    std::optional<qint64> power() const override { return 2; }
    void setPower(int index) override { changes << "P" + QString::number(index); }
    int messageLimit() const override { return 200; }
    bool sendMorse(const QString &text) override { return (changes << "M:" + text).size(); }
    void stopMorse() override { changes << "stop"; }
    void dropQueuedMorse() override { changes << "drop"; }
    bool keyed = false;
    bool keying() const override { return keyed; }
    QString model() const override { return "BIRCH"; }
};
