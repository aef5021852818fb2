#pragma once

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QString>

#include <functional>
#include <thread>

#include <optional>

// The few things the panel does differently on Windows and on the Unix
// systems. Every platform test of the program's sources lives in this folder
// (with TerminationSignals); the transmitter simulator src/sim, a Unix tool,
// is the only other place.
namespace Platform {

// The line end of the text files the operator edits by hand: CR LF on
// Windows, LF elsewhere.
const QByteArray &lineEnd();

// The device behind port number n of the Com menu when the settings file has
// no [Ports] section: COMn on Windows; on Linux the built-in UARTs, then the
// USB-serial converters, then the USB modems, 32 of each. The empty text when
// n names none. The caller keeps n within the Com menu's range.
QString serialDevice(qint64 portNumber);

// Whether a serial device can be there at all. On Unix a device is a file:
// one that does not exist is known absent after a stat, without the thread
// and the open that a claim of it costs. On Windows, the names the system
// lists as serial ports.
bool serialDevicePresent(const QString &device);

// Whether the open serial line behind `handle` has gone (hung up, as a USB
// adapter pulled out does, or in error). A read that finds no bytes although
// the line looked readable is no such sign on its own: the bytes may have been
// fetched in between; nor is a refused wait for line events on its own.
bool serialLineGone(qintptr handle);

// Whether something exists at `path`: nullopt when the path cannot be
// examined at all (a component is a plain file, the name is too long).
std::optional<bool> pathExists(const QString &path);

// Shows a document in the program the desktop associates with it, without
// waiting for that program. `shown` is called on the event loop once the
// outcome is known (on Windows at once; elsewhere when xdg-open ends, which
// it does once the viewer runs), and not at all once `context` is gone.
void openDocument(const QString &path, QObject *context, std::function<void(bool shown)> shown);

// Opens a file for reading, but only a regular file, and never waits: a
// FIFO, a device (a serial port chosen by mistake) or a folder is refused
// before anything could block the window or touch the device's lines.
bool openRegularFile(QFile &file, const QString &path);

// Lets the system find a peer of a connection that vanished (a laptop gone
// to sleep, a program on another computer that hung) within minutes rather
// than hours, once the caller has switched TCP keep-alive on: on Linux after
// a minute of silence, with probes every 10 s, 5 at most; elsewhere with the
// system's own times.
void keepConnectionAlive(qintptr socket);

// Message files are in the system's 8-bit code page. On Windows that is its
// ANSI code page; the other systems have none, and these give nullopt: the
// caller keeps to Windows-1252, the code page operators exchange files in.
std::optional<QByteArray> toAnsiCodePage(const QString &text);
std::optional<QString> fromAnsiCodePage(const QByteArray &bytes);

// Whether another program holds the file open so that it cannot be replaced
// (on Windows, a sharing violation); never where files have no such locks.
bool heldByAnotherProgram(const QString &path);

// Forces what was written to an open file out of the system's caches onto the
// disk, so that a rename after it never puts an empty or partial file in
// place after a power cut; false when the disk reports a failure.
bool syncToDisk(QFileDevice &file);

// Reads the system's font configuration on a thread of its own while the
// program connects to the display, where fonts come from it (fontconfig):
// reading its files is the largest single cost of showing the first text,
// and the display connection leaves a second processor idle meanwhile. The
// window's first text then finds it read. Waits for the thread when it goes.
class FontConfigurationReader
{
public:
    FontConfigurationReader();
    ~FontConfigurationReader();
    FontConfigurationReader(const FontConfigurationReader &) = delete;
    FontConfigurationReader &operator=(const FontConfigurationReader &) = delete;

private:
    std::thread m_thread;
};

} // namespace Platform
