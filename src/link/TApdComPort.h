// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "NetSerialLink.h"
#include "PortMap.h"
#include "TrafficLog.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

#include <functional>

// The program's one serial port (object name "ApdComPort1"), over QSerialPort, or over the network
// when its device is named rfc2217://HOST:PORT or tcp://HOST:PORT (see NetSerialLink): a connection that
// cannot be made fails the opening like an absent device, and one that fails while open is a lost line
// like a pulled USB adapter, its reason naming the server.
//
// Received bytes collect in the port's 4096-byte input buffer. They are handed to the listeners by the
// data-available notification OnTriggerAvail(count): one at a time (never nested), never while a
// WaitForString runs, and each listener (engine, status lights, terminal) reads the same bytes with
// GetBlock during it. Once every listener has run the bytes are gone; bytes that arrived meanwhile are
// announced by a later notification.
//
// The port is never opened implicitly. A line that fails while open (adapter unplugged, far end gone)
// is closed at once, before anyone is told, and lineLost() is emitted from the event loop afterwards.
class TApdComPort : public QObject {
    Q_OBJECT
public:
    enum HWFlowOption { hwfUseDTR = 0x1, hwfUseRTS = 0x2, hwfRequireDSR = 0x4, hwfRequireCTS = 0x8 };
    Q_DECLARE_FLAGS(HWFlowOptions, HWFlowOption)

    static constexpr int BufferSize = 4096;         // input and output buffers
    static constexpr int FlowStopThreshold = 3686;  // RTS drops with this many bytes waiting
    static constexpr int FlowResumeThreshold = 409; // and rises again once drained to this many

    explicit TApdComPort(QObject *parent = nullptr);
    ~TApdComPort() override;

    void setPortMap(const PortMap &map) { m_map = map; }
    const PortMap &portMap() const { return m_map; }
    // A changed map takes effect at the next opening, or when a number is selected again
    // (SetComNumber): an open port stays on its device until then.
    PortMap &portMap() { return m_map; }
    // The length of a tick of WaitForString deadlines (55 ms; scaled in tests).
    void setTickMs(int ms) { m_tickMs = ms; }
    int tickMs() const { return m_tickMs; }

    // Settings. Baud and parity apply at once to an open port (false, with errorText(), when the
    // device refuses; the previous value is kept then). Flow control waits for the next opening.
    // Selecting a number reopens an open port when the number, or the device the map now gives it,
    // differs from the one open.
    int ComNumber() const { return m_comNumber; }
    bool SetComNumber(int portNumber);
    int Baud() const { return m_baud; }
    bool SetBaud(int baud);
    QSerialPort::Parity Parity() const { return m_parity; }
    bool SetParity(QSerialPort::Parity parity);
    HWFlowOptions flowOptions() const { return m_flow; }
    void SetHWFlowOptions(HWFlowOptions options) { m_flow = options; }
    // The device open, or while closed the one the next opening takes.
    QString devicePath() const { return isOpen() ? m_openPath : m_map.path(m_comNumber); }

    bool isOpen() const { return m_serial.isOpen() || m_net.isOpen(); }
    // Whether the open port, or while closed the one the next opening takes, is a network port.
    bool isNetwork() const { return NetPortAddress::isNetworkName(devicePath()); }
    bool Open() const { return isOpen(); }
    // Opens (true) or closes (false). Opening fails, with errorText(), when the device is absent, held
    // by another program or refuses the settings; the port stays closed then.
    bool SetOpen(bool open);
    QString errorText() const { return m_errorText; }
    // After a failed opening: the group that owns the device when this user lacks the permission to
    // use it (the usual case of a USB adapter on Linux); empty for every other failure.
    QString deniedGroup() const { return m_deniedGroup; }
    // After a failed opening: whether this user may not read and write the device at all, whether or
    // not a group would help (a lock held by another program is not a denial of access).
    bool accessDenied() const { return m_accessDenied; }
    static bool userMayNotUse(const QString &path);
    // The group owning path when the effective user may not read and write it; empty otherwise.
    static QString groupDenyingAccess(const QString &path);
    // Why the serial device at path cannot be used, in words: no such device (a bare name such as
    // "ttyUSB0" is looked up under /dev, and the text says so), a folder or a file that is not a
    // serial device, permission denied with the group that owns the device, or busy (held or locked
    // by another program). Empty when the device opens as a serial port. It opens the device briefly
    // to find out, so it is for explaining a failure, not for the search itself.
    static QString openProblem(const QString &path);
    // How many times the line has failed while open (counted when it happens, before lineLost).
    int lossCount() const { return m_lossCount; }

    // True when port n exists and can be opened, or exists but another program holds it.
    bool IsPortAvailable(int portNumber) const;

    // Whether the last bytes written left a line open at the far end (they did not end in CR): what
    // the terminal sends key by key, which would prefix whatever is written next.
    bool lineLeftOpen() const { return m_lineOpen; }

    void FlushInBuffer();
    int GetOutBuffFree() const;
    bool PutString(const QByteArray &text);
    bool PutChar(char c);

    // Waits for s, consuming every byte it reads, until the deadline of `ticks` ticks. No notification
    // is delivered meanwhile. With yield the window stays live. False after the deadline, and false at
    // once when the port fails or closes during the wait (lastWaitFailed() tells that case apart).
    // True when the program is closing (EventPump::aborting()).
    bool WaitForString(const QByteArray &s, int ticks, bool yield, bool ignoreCase);
    bool lastWaitFailed() const { return m_lastWaitFailed; }

    // Copies up to count bytes of the notification being delivered; returns how many were copied.
    // Outside a notification there is nothing to read and it returns 0.
    int GetBlock(void *destination, int count) const;

    // Input line states; false when unknown (a pseudo-terminal has none).
    enum class Line { CTS, DCD };
    bool CTS() const { return lineIsHigh(Line::CTS); }
    bool DCD() const { return lineIsHigh(Line::DCD); }

    // Every byte sent and received, with a mark where the port opened and closed, the baud rate or
    // parity changed, or the line was lost.
    const TrafficLog &trafficLog() const { return m_traffic; }
    TrafficLog &trafficLog() { return m_traffic; }
    // "none", "even", "odd", "space" or "mark".
    static QString parityName(QSerialPort::Parity parity);

signals:
    // The data-available notification. Listeners read the bytes with GetBlock before returning.
    void OnTriggerAvail(int count);
    // Bytes have left the output buffer (the TXD light).
    void dataSent();
    // PutString has just handed bytes to the line (at once, where dataSent may come later from the
    // event loop): what a measurement of the program's turnaround stamps.
    void handedToLine(int count);
    void openChanged(bool open);
    // The line failed while open; the port is already closed when this arrives.
    void lineLost(const QString &reason);
    // The port is a raw network port and the program has just changed a line setting that only the
    // server can set (once for each port). text says so, naming the port and the setting; it reads on
    // from "COM Port #n is ".
    void lineSettingsIgnored(const QString &text);

private:
    bool openDevice();
    void closeDevice();
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);
    void failLine(const QString &reason);
    // The device being read and written: the serial port or the network link.
    QIODevice &io() { return m_net.isOpen() ? static_cast<QIODevice &>(m_net) : m_serial; }
    const QIODevice &io() const { return m_net.isOpen() ? static_cast<const QIODevice &>(m_net) : m_serial; }
    bool rawSettingIgnored(const QString &setting);
    void scheduleDelivery();
    void deliver();
    bool applySetting(const std::function<bool()> &apply);
    bool lineIsHigh(Line line) const;

    QSerialPort m_serial;
    NetSerialLink m_net;
    // The program says once per raw network port that it cannot set its line; the settings it had
    // when it last had that port open tell a change made while the port was closed.
    bool m_rawNoticeGiven = false;
    QString m_rawPath;
    int m_rawBaud = 0;
    QSerialPort::Parity m_rawParity = QSerialPort::NoParity;
    TrafficLog m_traffic;
    PortMap m_map;
    QString m_openPath;
    int m_comNumber = 0;
    int m_baud = 38400;
    QSerialPort::Parity m_parity = QSerialPort::NoParity;
    HWFlowOptions m_flow = HWFlowOptions(hwfUseRTS | hwfRequireCTS);
    int m_tickMs = 55;
    QString m_errorText;
    QString m_deniedGroup;
    bool m_accessDenied = false;
    bool m_applyingSetting = false;
    bool m_lastWaitFailed = false;
    int m_lossCount = 0;
    bool m_lineOpen = false;

    int m_rawWaits = 0;
    bool m_deliveryQueued = false;
    bool m_delivering = false;
    char m_block[BufferSize];
    int m_blockLength = 0;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TApdComPort::HWFlowOptions)
