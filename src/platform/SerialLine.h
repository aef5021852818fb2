#pragma once

#include <QByteArray>
#include <QString>

// A serial line on Linux, driven through the system's own calls: what the
// panel needs of a port (open it raw at a baud rate with eight data bits, no
// parity, one stop bit and no flow control, read and write bytes, close it)
// and no more. Qt Serial Port would bring its library and libudev into
// every start of the panel, and its lock file is flushed to disk on each
// open; the line's own code has neither.
//
// While the line is open it is held as serial programs hold a port: a lock
// file "LCK..name" (name: the device's path below /dev, '/' as '_') in the
// system's lock folder, in the form Qt's lock files and the UUCP tools both
// read (the process number on the first line), and the terminal in
// exclusive mode. Both go with close().
class SerialLine
{
public:
    SerialLine() = default;
    ~SerialLine();
    SerialLine(const SerialLine &) = delete;
    SerialLine &operator=(const SerialLine &) = delete;

    // Opens the device for reading and writing, without waiting, and sets
    // the line up. False, with nothing left open or locked, when the device
    // is absent, not a serial line, refused by the system, held by another
    // running program, or does not take the baud rate.
    bool open(const QString &device, qint32 baudRate);
    // Gives the terminal back its settings from before the open, then the
    // exclusive mode and the lock file. Closing a closed line does nothing.
    void close();
    bool isOpen() const { return m_fd >= 0; }
    // The line's descriptor while open (for a notifier of readable bytes),
    // else -1.
    int handle() const { return m_fd; }

    // Writes as many bytes as the driver takes now: their number, 0 when it
    // takes none yet, -1 when the line refuses them (gone, in error).
    qint64 write(const char *data, qint64 size);
    // Reads bytes the driver holds, one read's worth: empty when there are
    // none now; `failed` is set when the line answers with an error instead.
    QByteArray read(bool *failed);

    // Whether the device can be opened now, asked without taking its lock
    // and setting its line up, as an open for use does. A device is free
    // when no running program holds its lock file, it opens for reading and
    // writing (not refused as held by another program, absent or forbidden)
    // and it answers as a serial line. Its modem lines, which the system
    // raises on opening, are lowered again before it is closed.
    static bool deviceFree(const QString &device);

private:
    int m_fd = -1;
    QByteArray m_lockFile;
    QByteArray m_savedSettings; // the terminal's settings before the open
};
