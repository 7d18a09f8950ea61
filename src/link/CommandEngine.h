// SPDX-License-Identifier: GPL-3.0-or-later
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

// What a query brought back: the reply, or why there is none.
struct Reply {
    enum class Outcome {
        Answered,
        NotSent,         // the port was closed: nothing went out
        TimedOut,        // nothing acknowledged it before the watchdog
        ControllerError, // the Controller refused it or reported an error
        ControllerDebug, // the Controller sat at its debug prompt
        NoResponse,      // the Controller heard nothing from the device
        Failed,          // the line closed under the wait, the reply did not fit, or the program is closing
    };
    Outcome outcome = Outcome::NotSent;
    // The reply area after the exchange, AreaSize bytes: what arrived, the acknowledgement replaced by a
    // NUL, zeros after it.
    QByteArray area;

    bool answered() const { return outcome == Outcome::Answered; }
    const quint8 *data() const { return reinterpret_cast<const quint8 *>(area.constData()); }
};

// The one path to the devices. Builders and queries hand it a request and get its result back; the
// engine frames it for the link mode, writes it, waits for the acknowledgement while the window stays
// live, repeats Controller commands until they are acknowledged (asking the user every few failed
// attempts whether to go on), and returns the reply bytes for the parsers.
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

    bool LinkActive() const { return m_linkActive; }
    bool IsLinkActive() const { return m_linkActive; }
    // Also switches the status lights' monitoring (when lights are attached).
    void SetLinkActive(bool on);
    void setStatusLights(StatusLightController *lights);

    // Controller mode mirrors RS485CheckBox; the user interface keeps the two in step.
    bool controllerMode() const { return m_controllerMode; }
    // Also sets the acknowledgement character of the mode.
    void setControllerMode(bool on);

    // The checksum a Controller frame carries: the byte sum of the text modulo 256, as two uppercase
    // hexadecimal digits ("0A", "E3").
    static QByteArray checksumDigits(const QByteArray &text);
    // The character that acknowledges a command and ends a reply: ">" from the Controller, "#" from a
    // device on the line.
    char ackChar() const { return AckChar; }
    // The acknowledgement wait of the raw exchange under way (or of the next one), in ticks.
    int ackWaitTicks() const { return AckWaitTicks; }
    // Whether the last direct command or search found the device answering.
    bool linkOk() const { return LinkOk; }

    // Writes bytes as they are, waiting for nothing. False when nothing went out (the port is closed,
    // or its output buffer had no room and the user was told).
    bool WriteToPort(const QByteArray &bytes);
    // Direct mode: a command the device acknowledges with "#" like any other, written without holding
    // the window for it (no page disabled, no status text), so that a spin button held down steps at
    // its own pace. Its "#" is still owed: the next request waits for it first (at most one written
    // command is ever unaccounted for, so every "#" belongs to exactly one command), and should it not
    // come within the acknowledgement wait, the command goes through the same recovery as one that
    // waits (probe, resend, the "COM Port error" dialog). True when the command went out.
    bool WriteDirectCommand(const QByteArray &command);
    // Waits for every "#" owed to commands already written. A missing one is recovered as above while
    // the link is active; once the link has been ended (a stopped run) it is only awaited, never sent
    // again. True when nothing is owed any more and the line works.
    bool SettleWrites();
    // The direct command written whose "#" has not come yet; empty when none is owed.
    QByteArray owedCommand() const { return m_owedAcks > 0 ? m_owedText : QByteArray(); }
    // Writes text and waits for the acknowledgement character; true when it came.
    bool SendAndWaitAck(const QByteArray &text);
    // Sends command ("*5DDBL 1!") to the Controller in its frame ("PASS ", the text, its checksum, CR
    // CR), then settles for settleCount steps. True when the command was acknowledged; false when the
    // port is closed or closed meanwhile, the program is closing, or the user stopped resending it
    // (commandAbandoned() has then been emitted).
    bool SendControllerCommand(const QByteArray &command, int settleCount, const CommandTarget &target = {});
    // The last command whose resending the user stopped, and whom it was for (empty text before any).
    const QByteArray &abandonedCommand() const { return m_abandonedText; }
    const CommandTarget &abandonedTarget() const { return m_abandonedTarget; }
    // Sends request as it is and waits for its reply, which counts from minLength bytes on; behind the
    // Controller a query that met its debug prompt is sent once more after leaving it.
    Reply SendQuery(const QByteArray &request, int minLength);
    // Sends a direct command and waits ackTicks for its acknowledgement; an unanswered command starts
    // the recovery of the line, which re-sends it once the line answers (with the normal wait). True when
    // the line works in the end.
    bool SendDirectCommand(const QByteArray &command, int ackTicks = DefaultAckWaitTicks);
    void RecoverLink();
    // Opens the port numbered portNumber and asks whether a device answers there, with the short probe
    // wait; the answer is also what linkOk() reports afterwards.
    bool Probe(int portNumber);

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
    bool ProbePort(int portNumber);
    void setCommand(const QByteArray &text);
    Reply takeReply() const;
    void onPortOpenChanged(bool open);
    void onLineLost(const QString &reason);
    void requestExit();
    // Direct mode: `acks` more "#" are owed to text, the last line written.
    void owe(int acks, const QByteArray &text);
    void forgetOwed();
    void takeOwedAcknowledgements(int count);
    void onOwedDeadline();
    bool recoverOwed();
    bool settleBeforeSending();
    // Bytes the terminal left on the line without ending them would prefix the next request; they are
    // ended first, and what the far end answers to them is thrown away.
    void endForeignLine();
    qint64 ackWaitMs(int ticks) const { return qint64(ticks) * m_pacing.tickMs; }
    bool keepResending(const CommandTarget &target, const QByteArray &text, int attempts);
    // The user stopped resending text: remembered for whoever ends the link, told once the send has
    // tidied up.
    void abandon(const QByteArray &text, const CommandTarget &target);
    void reportAbandoned();

    // The request text, NUL-terminated; never written past its end.
    char CommandBuffer[AreaSize] = {};
    quint8 ReplyArea[AreaSize] = {};
    int ReplyPos = 0;
    int ReplyMinLength = 0;
    char AckChar = '#';
    int AckWaitTicks = DefaultAckWaitTicks;
    bool AwaitingReply = false;
    bool ReplyFailed = false;
    bool ControllerDebug = false;
    int LinkOk = 0;
    Reply::Outcome m_failure = Reply::Outcome::Answered; // why the last wait failed

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
    bool m_abandonPending = false;
    qint64 m_mandatedWaitMs = 0;
    int m_batchDepth = 0;
    // "#" still owed by the direct commands written (never more than one command's worth), the text
    // written, and the moment after which a missing one counts as lost.
    int m_owedAcks = 0;
    QByteArray m_owedText;
    QTimer m_owedTimer;
    bool m_settling = false;
    bool m_sentOnLink = false;      // the Controller command under way went out while the link was up
    bool m_batchLeftWindow = false; // a request inside the batch left the pages disabled for it
};
