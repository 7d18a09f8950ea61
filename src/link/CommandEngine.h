#pragma once

#include "Host.h"
#include "Pacing.h"
#include "ReplyScanner.h"
#include "TApdComPort.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

class StatusLightController;

// Whom a Controller command is for, to name it to the user: device 1 or 2 and its RS-485 ID (device 0
// when the sender does not say).
struct CommandTarget {
    int device = 0;
    int id = 0;
};

// The one path to the devices. Builders and queries format a request into CommandBuffer and call one
// of the send operations; the engine frames it for the link mode, writes it, waits for the
// acknowledgement while the window stays live, repeats Controller commands until they are
// acknowledged (asking the user every few failed attempts whether to go on), and leaves reply bytes
// in ReplyArea for the parsers.
//
// Event-driven waits (SendControllerCommand, SendQuery) end through the receive handler
// ApdComPort1TriggerAvail or the watchdog Timer1; raw waits (SendAndWaitAck) through the port's
// WaitForString. Every wait also ends when the program is closing (aborted()) and when the port
// closes or fails under it, so a wait can never outlive the line or the window.
class CommandEngine : public QObject {
    Q_OBJECT
public:
    static constexpr int AreaSize = 250;
    static constexpr int DefaultAckWaitTicks = 80;
    static constexpr int ProbeAckWaitTicks = 10;
    // A Controller command that fails this many times in a row (time-outs, refusals, errors) is not
    // simply sent again: the user is asked whether to go on, and again after each further as many.
    static constexpr int AttemptsBeforeAsking = 3;
    static const char *const ResendCaption;

    // "Kestrix 2 (RS-485 ID 7)", or "The Kestrix" for an unnamed target.
    static QString describe(const CommandTarget &target);

    CommandEngine(TApdComPort &port, Host &host, int &commandBusy, const Pacing &pacing,
                  QObject *parent = nullptr);

    // One pass of many commands (a push). Between two commands of a pass the window stays as it is
    // during a command: the pages disabled and the hourglass up, instead of being restored after each
    // acknowledgement and taken away again before the next request; enabling and disabling every
    // control of the pages (and painting them) would stand between every answer and the next request.
    // Both are restored once, when the outermost batch ends.
    class Batch {
    public:
        explicit Batch(CommandEngine &engine);
        ~Batch();
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;

    private:
        CommandEngine &engine;
        bool showedBusy = false;
    };

    // The request text, NUL-terminated. setCommand formats into it and never writes past it.
    char CommandBuffer[AreaSize] = {};
    void setCommand(const char *fmt, ...) __attribute__((format(printf, 2, 3)));

    quint8 ReplyArea[AreaSize] = {};
    int ReplyPos = 0;
    int ReplyMinLength = 0;
    int CommandChecksum = 0;
    char AckChar = '#';
    int AckWaitTicks = DefaultAckWaitTicks;
    bool AwaitingReply = false;
    bool ReplyFailed = false;
    bool ControllerError = false;
    bool ControllerDebug = false;
    int LinkOk = 0;

    bool LinkActive() const { return m_linkActive; }
    bool IsLinkActive() const { return m_linkActive; }
    // Also switches the status lights' monitoring (when lights are attached).
    void SetLinkActive(bool on);
    void setStatusLights(StatusLightController *lights);

    // Controller mode mirrors RS485CheckBox; the user interface keeps the two in step.
    bool controllerMode() const { return m_controllerMode; }
    void setControllerMode(bool on) { m_controllerMode = on; }

    void ComputeChecksum();
    // CommandChecksum as two uppercase hexadecimal digits ("0A", "E3").
    QByteArray checksumDigits() const;
    // The checksum digits of a text itself.
    static QByteArray checksumDigits(const QByteArray &text);
    void WriteToPort(const QByteArray &bytes);
    bool SendAndWaitAck(const QByteArray &text);
    // True when the command was acknowledged; false when the port is closed or closed meanwhile, the
    // program is closing, or the user stopped resending it (commandAbandoned() has then been emitted).
    bool SendControllerCommand(int settleCount, const CommandTarget &target = {});
    // The last command whose resending the user stopped, and whom it was for (empty text before any).
    const QByteArray &abandonedCommand() const { return m_abandonedText; }
    const CommandTarget &abandonedTarget() const { return m_abandonedTarget; }
    void SendQuery();
    void SendDirectCommand();
    void RecoverLink();
    bool ProbePort(int portNumber);

    // The receive handler, run on every data-available notification of the port.
    void ApdComPort1TriggerAvail(int count);
    // The watchdog's expiry.
    void Timer1Timer();
    QTimer &Timer1() { return m_timer1; }

    void pause(int ms); // protocol pause that keeps the window live
    void settle(int steps);
    // The settle count the last acknowledged Controller command was given (-1 before any).
    int lastSettleCount() const { return m_lastSettleCount; }
    // The pauses and settles the protocol asked for so far, in ms at the current pacing (what a
    // timing measurement should be compared with, not what the waits actually took).
    qint64 mandatedWaitMs() const { return m_mandatedWaitMs; }
    const Pacing &pacing() const { return m_pacing; }
    TApdComPort &port() { return m_port; }
    Host &host() { return m_host; }
    // The program is closing (window closed during a wait, or the process asked to end): every loop
    // of the link and the protocol stops.
    bool aborted() const;
    // RecoverLink is running: it owns what the user hears about the line.
    bool recoveringLink() const { return m_recovering > 0; }

signals:
    void linkActiveChanged(bool active);
    // The user stopped resending a command nobody acknowledged. Nothing can be sent over this link any
    // more: whoever owns the connection ends it as for a line that failed. Emitted after the send has
    // tidied up (status bar, pages, cursor), just before it returns.
    void commandAbandoned();
    // A protocol pause or a command's settle of ms milliseconds begins (for timing measurements).
    void mandatedWaitBegins(qint64 ms);

private:
    using ControllerMessage = ReplyScanner::ControllerMessage;

    // The window after a request: the status text cleared and the pages enabled, or, inside a batch,
    // left disabled for the end of the batch.
    void requestDone();
    void beginWait();
    void awaitReply();
    void finishWait();
    void failWait();
    void sendQueryOnce();
    void examineReply();
    bool actOnControllerMessage(ControllerMessage message);
    void onPortOpenChanged(bool open);
    void onLineLost(const QString &reason);
    void requestExit();
    bool keepResending(const CommandTarget &target, const QByteArray &text, int attempts);

    TApdComPort &m_port;
    Host &m_host;
    int &m_commandBusy;
    const Pacing m_pacing;
    StatusLightController *m_lights = nullptr;
    QTimer m_timer1;
    bool m_linkActive = false;
    bool m_controllerMode = false;
    int m_stored = 0; // bytes stored in ReplyArea during this wait (ReplyPos <= m_stored)
    bool m_rawWaitFailed = false;
    int m_lossesReported = 0; // line failures already told to the user by a probe
    bool m_exitRequested = false;
    int m_recovering = 0;
    int m_lastSettleCount = -1;
    QByteArray m_abandonedText;
    CommandTarget m_abandonedTarget;
    qint64 m_mandatedWaitMs = 0;
    int m_batchDepth = 0;
    bool m_batchLeftWindow = false; // a request inside the batch left the pages disabled for it
};
