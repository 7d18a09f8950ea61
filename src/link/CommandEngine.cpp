// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandEngine.h"

#include "BusyScope.h"

#include "EventPump.h"
#include "Host.h"
#include "StatusLightController.h"
#include "TApdComPort.h"

#include <QScopeGuard>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {

const char *const TextSending = "Sending command....";
const char *const TextResending = "Resending message....";
const char *const TextControllerErrorCode =
    "Error code returned by Controller detected.... Resending message";
const char *const TextOverflow =
    "Error! RS-232 communication port output buffer overflow. Please resend command.";
const char *const TextTimeout =
    "Error! Timeout occured. Unable to communicate with Kestrix. Please verify that "
    "Serial Port is connected to Kestrix.";
const char *const TextNoResponse = "Error! Controller did not get response from Kestrix(s). Please check "
                                   "connections and Kestrix(s) Serial Mode settings.";
const char *const TextComPortError =
    "Error! COM Port communication with Kestrix has failed. Please check the "
    "RS-232 cable. Click OK to retry. Click Cancel to exit application.";

const QByteArray DebugOff = QByteArrayLiteral("debug 0\r");

} // namespace

const char *const CommandEngine::ResendCaption = "Lumivane - Resend Command Verification";

QString CommandEngine::describe(const CommandTarget &target) {
    if (target.device <= 0) return QStringLiteral("The Kestrix");
    return QStringLiteral("Kestrix %1 (RS-485 ID %2)").arg(target.device).arg(target.id);
}

CommandEngine::CommandEngine(TApdComPort &port, Host &host, int &commandBusy, const Pacing &pacing,
                             QObject *parent)
    : QObject(parent), m_port(port), m_host(host), m_commandBusy(commandBusy), m_pacing(pacing) {
    m_port.setTickMs(m_pacing.tickMs);
    m_timer1.setObjectName(QStringLiteral("Timer1"));
    m_timer1.setSingleShot(true);
    m_timer1.setTimerType(Qt::PreciseTimer);
    m_timer1.setInterval(m_pacing.watchdogMs);
    connect(&m_timer1, &QTimer::timeout, this, &CommandEngine::Timer1Timer);
    m_owedTimer.setObjectName(QStringLiteral("OwedAcknowledgementTimer"));
    m_owedTimer.setSingleShot(true);
    m_owedTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_owedTimer, &QTimer::timeout, this, &CommandEngine::onOwedDeadline);
    connect(&m_port, &TApdComPort::OnTriggerAvail, this, &CommandEngine::ApdComPort1TriggerAvail);
    connect(&m_port, &TApdComPort::openChanged, this, &CommandEngine::onPortOpenChanged);
    connect(&m_port, &TApdComPort::lineLost, this, &CommandEngine::onLineLost);
    connect(&m_port, &TApdComPort::lineSettingsIgnored, this, [this](const QString &text) {
        m_host.showMessage(QStringLiteral("Note: COM Port #%1 is %2").arg(m_port.ComNumber()).arg(text));
    });
}

void CommandEngine::setCommand(const QByteArray &text) {
    qstrncpy(CommandBuffer, text.constData(), sizeof CommandBuffer);
}

Reply CommandEngine::takeReply() const {
    Reply reply;
    reply.outcome = ReplyFailed ? m_failure : Reply::Outcome::Answered;
    reply.area = QByteArray(reinterpret_cast<const char *>(ReplyArea), AreaSize);
    return reply;
}

void CommandEngine::setControllerMode(bool on) {
    if (on != m_controllerMode) forgetOwed();
    m_controllerMode = on;
    AckChar = on ? '>' : '#';
}

void CommandEngine::SetLinkActive(bool on) {
    m_linkActive = on;
    if (m_lights) m_lights->SetMonitoring(on);
    emit linkActiveChanged(on);
}

void CommandEngine::setStatusLights(StatusLightController *lights) {
    m_lights = lights;
    if (m_lights) m_lights->setTickMs(m_pacing.tickMs);
}

bool CommandEngine::aborted() const {
    return m_exitRequested || EventPump::aborting();
}

void CommandEngine::pause(int ms) {
    m_mandatedWaitMs += ms;
    emit mandatedWaitBegins(ms);
    EventPump::pause(ms);
}

// Settle steps of 1 ms each, handling events in between; one pause of the whole length handles every
// event as it comes and does not add a timer's lateness per step.
// A command sent while the link was up whose link has ended since (a stopped run) is followed by
// nothing, so nothing is left to settle for: the settle ends there.
void CommandEngine::settle(int steps) {
    if (steps <= 0) return;
    m_mandatedWaitMs += qint64(steps) * m_pacing.settleStepMs;
    emit mandatedWaitBegins(qint64(steps) * m_pacing.settleStepMs);
    if (m_pacing.settleStepMs == 0)
        EventPump::processPending();
    else if (m_sentOnLink)
        EventPump::waitUntil([this] { return !m_linkActive; }, qint64(steps) * m_pacing.settleStepMs);
    else
        EventPump::pause(steps * m_pacing.settleStepMs);
}

QByteArray CommandEngine::checksumDigits(const QByteArray &text) {
    int sum = 0;
    for (const char c : text)
        sum += uchar(c);
    return QByteArray::number(sum % 256, 16).toUpper().rightJustified(2, '0');
}

bool CommandEngine::WriteToPort(const QByteArray &bytes) {
    if (!m_port.isOpen()) return false;
    if (m_port.GetOutBuffFree() > bytes.size()) return m_port.PutString(bytes);
    m_host.showMessage(QString::fromLatin1(TextOverflow));
    return false;
}

CommandEngine::Batch::Batch(CommandEngine &engine) : engine(engine) {
    if (engine.m_batchDepth++ > 0) return;
    engine.m_batchLeftWindow = false;
    showedBusy = !engine.m_host.isBusyCursor();
    if (showedBusy) engine.m_host.setBusyCursor(true);
}

CommandEngine::Batch::~Batch() {
    if (--engine.m_batchDepth > 0) return;
    if (std::exchange(engine.m_batchLeftWindow, false)) engine.m_host.setPagesEnabled(true);
    if (showedBusy) engine.m_host.setBusyCursor(false);
}

void CommandEngine::requestDone() {
    if (m_batchDepth > 0)
        m_batchLeftWindow = true;
    else
        m_host.setPagesEnabled(true);
    m_host.setStatusText(QString());
}

// The window is told of a request only once the request is on its way: whatever it does then (status
// text, disabling the pages) happens while the bytes cross the line, not between the previous answer and
// this request. Nothing handles events in between, so no one can see the other order.
bool CommandEngine::SendAndWaitAck(const QByteArray &text) {
    m_rawWaitFailed = false;
    if (!m_port.isOpen()) return true;
    // Every "#" owed to a command written earlier comes first: none may pass for this text's own.
    if (!SettleWrites()) {
        m_rawWaitFailed = !m_port.isOpen();
        return false;
    }
    if (!m_port.isOpen()) return true;
    BusyScope busy(m_commandBusy, BusyScope::Kind::Hold);
    if (!text.startsWith('\r')) endForeignLine();
    m_port.FlushInBuffer();
    WriteToPort(text);
    m_host.setStatusText(QString::fromLatin1(TextSending));
    m_host.setPagesEnabled(false);
    const QByteArray ack(1, AckChar);
    bool acknowledged = m_port.WaitForString(ack, AckWaitTicks, true, false);
    // Each line the text ends is answered: a command closed by CR CR gets a second acknowledgement for
    // its empty line, which must not be left to stand in for the next request's.
    for (qsizetype lines = text.count('\r'); acknowledged && lines > 1 && !aborted(); --lines)
        if (!m_port.WaitForString(ack, AckWaitTicks, true, false)) break;
    m_rawWaitFailed = m_port.lastWaitFailed();
    m_host.setStatusText(QString());
    if (m_batchDepth > 0)
        m_batchLeftWindow = true;
    else
        m_host.setPagesEnabled(true);
    return acknowledged;
}

bool CommandEngine::WriteDirectCommand(const QByteArray &command) {
    if (!m_port.isOpen() || !settleBeforeSending()) return false;
    endForeignLine();
    // From here on every "#" is this command's: whatever stood in the input before cannot be.
    m_port.FlushInBuffer();
    if (!WriteToPort(command)) return false;
    owe(int(command.count('\r')), command);
    return true;
}

void CommandEngine::owe(int acks, const QByteArray &text) {
    if (acks <= 0 || m_controllerMode) return;
    m_owedAcks = acks;
    m_owedText = text;
    m_owedTimer.start(int(ackWaitMs(DefaultAckWaitTicks)));
}

void CommandEngine::forgetOwed() {
    m_owedAcks = 0;
    m_owedText.clear();
    m_owedTimer.stop();
}

// Outside a wait, in direct mode, the only thing a device sends unasked for is the "#" of a command
// written without waiting.
void CommandEngine::takeOwedAcknowledgements(int count) {
    char block[TApdComPort::BufferSize];
    const int read = m_port.GetBlock(block, std::min<int>(count, sizeof block));
    const int acks = int(std::count(block, block + read, AckChar));
    m_owedAcks = std::max(0, m_owedAcks - acks);
    if (m_owedAcks == 0) forgetOwed();
}

bool CommandEngine::SettleWrites() {
    if (m_owedAcks == 0) return true;
    const auto owedAnswered = [this] { return m_owedAcks == 0 || !m_port.isOpen(); };
    const qint64 left = std::max(0, m_owedTimer.remainingTime());
    if (m_settling) {
        // An event handled during the settle below wants to send: it may once the "#" has come; the
        // settle under way owns the recovery otherwise.
        EventPump::waitUntil(owedAnswered, left);
        return m_owedAcks == 0;
    }
    m_settling = true;
    const auto done = qScopeGuard([this] { m_settling = false; });
    {
        BusyScope busy(m_commandBusy, BusyScope::Kind::Hold);
        EventPump::waitUntil(owedAnswered, left);
    }
    if (m_owedAcks == 0) return true;
    if (!m_port.isOpen() || aborted()) {
        forgetOwed();
        return false;
    }
    return recoverOwed();
}

// Before a request goes out: the "#" owed first. A link ended while waiting for it (a stopped run)
// sends nothing more.
bool CommandEngine::settleBeforeSending() {
    const bool wasActive = m_linkActive;
    if (!SettleWrites()) return false;
    return m_linkActive || !wasActive;
}

// The device never acknowledged a command written without waiting: the same recovery as a command that
// waits, which re-sends it once the line answers. A link already ended (a stopped run) sends nothing
// more: the command was awaited, and is not sent again.
bool CommandEngine::recoverOwed() {
    const QByteArray text = m_owedText;
    forgetOwed();
    if (!m_linkActive) return false;
    setCommand(text);
    const bool showedBusy = !m_host.isBusyCursor();
    if (showedBusy) m_host.setBusyCursor(true);
    m_lossesReported = m_port.lossCount();
    RecoverLink();
    if (showedBusy) m_host.setBusyCursor(false);
    reportAbandoned();
    return LinkOk;
}

void CommandEngine::onOwedDeadline() {
    if (m_owedAcks == 0 || m_settling) return;
    // A request or a device action under way meets the debt at its next request, or when it ends: look
    // again a tick later.
    if (AwaitingReply || m_recovering > 0 || m_commandBusy != 0 || EventPump::aborting()) {
        m_owedTimer.start(m_pacing.tickMs);
        return;
    }
    SettleWrites();
}

void CommandEngine::endForeignLine() {
    if (!m_port.isOpen() || !m_port.lineLeftOpen()) return;
    m_port.trafficLog().mark(
        QStringLiteral("a line typed in the terminal was ended before the program's request"));
    m_port.PutString(QByteArrayLiteral("\r"));
    m_port.WaitForString(QByteArray(1, AckChar), ProbeAckWaitTicks, true, false);
    m_port.FlushInBuffer();
}

bool CommandEngine::SendControllerCommand(const QByteArray &command, int settleCount,
                                          const CommandTarget &target) {
    if (!m_port.isOpen() || !settleBeforeSending()) return false;
    m_sentOnLink = m_linkActive;
    endForeignLine();
    setCommand(command);
    const bool showedBusy = !m_host.isBusyCursor();
    if (showedBusy) m_host.setBusyCursor(true);
    const QByteArray text(CommandBuffer, int(strnlen(CommandBuffer, AreaSize)));
    int failedInRow = 0;
    bool abandoned = false;
    for (;;) {
        beginWait();
        ReplyMinLength = int(text.size()) + 8;
        m_port.FlushInBuffer();
        WriteToPort(QByteArrayLiteral("PASS "));
        WriteToPort(text);
        WriteToPort(checksumDigits(text));
        m_timer1.start();
        AwaitingReply = true;
        WriteToPort(QByteArrayLiteral("\r\r"));
        m_host.setStatusText(QString::fromLatin1(TextSending));
        m_host.setPagesEnabled(false);
        awaitReply();
        // Repeated until acknowledged, but not past a closed line or a closing program: nothing
        // could acknowledge it any more.
        if (!ReplyFailed || aborted() || !m_port.isOpen()) break;
        // Nobody may be there to acknowledge it (a device missing, a value refused): the user decides.
        if (++failedInRow % AttemptsBeforeAsking == 0 && !keepResending(target, text, failedInRow)) {
            abandoned = !aborted();
            break;
        }
        if (ControllerDebug) SendAndWaitAck(DebugOff);
        m_host.setStatusText(QString::fromLatin1(TextResending));
        pause(m_pacing.resendPauseMs);
        EventPump::processPending();
        if (aborted() || !m_port.isOpen()) break;
    }
    if (!ReplyFailed) {
        m_lastSettleCount = settleCount;
        if (!m_sentOnLink || m_linkActive) settle(settleCount);
    }
    const bool acknowledged = !ReplyFailed;
    requestDone();
    if (showedBusy) m_host.setBusyCursor(false);
    if (abandoned) {
        abandon(text, target);
        reportAbandoned();
    }
    return acknowledged;
}

void CommandEngine::abandon(const QByteArray &text, const CommandTarget &target) {
    QByteArray shown = text;
    while (shown.endsWith('\r'))
        shown.chop(1);
    m_abandonedText = shown;
    m_abandonedTarget = target;
    m_abandonPending = true;
}

void CommandEngine::reportAbandoned() {
    if (std::exchange(m_abandonPending, false)) emit commandAbandoned();
}

bool CommandEngine::keepResending(const CommandTarget &target, const QByteArray &command, int attempts) {
    QByteArray text = command;
    while (text.endsWith('\r'))
        text.chop(1);
    return m_host.askYesNo(
        QString::fromLatin1(ResendCaption),
        QStringLiteral("%1 has not acknowledged the command %2 in %3 attempts. Do you wish to keep "
                       "resending it?\n\nNo stops it and ends the communication with the Kestrix(s); "
                       "search for Kestrix(s) again once the cause is mended.")
            .arg(describe(target), QString::fromLatin1(text), QString::number(attempts)));
}

Reply CommandEngine::SendQuery(const QByteArray &request, int minLength) {
    if (!m_port.isOpen()) return {Reply::Outcome::NotSent, QByteArray(AreaSize, '\0')};
    if (!settleBeforeSending() || !m_port.isOpen()) {
        std::memset(ReplyArea, 0, sizeof ReplyArea);
        ReplyFailed = true;
        m_failure = Reply::Outcome::Failed;
        return takeReply();
    }
    endForeignLine();
    setCommand(request);
    ReplyMinLength = minLength;
    // A clean area: bytes an earlier, longer reply left behind can never pass for part of this one.
    std::memset(ReplyArea, 0, sizeof ReplyArea);
    sendQueryOnce();
    if (ControllerDebug && !aborted() && m_port.isOpen()) {
        SendAndWaitAck(DebugOff);
        pause(m_pacing.debugQueryPauseMs);
        sendQueryOnce();
    }
    return takeReply();
}

void CommandEngine::sendQueryOnce() {
    beginWait();
    AwaitingReply = true;
    m_port.FlushInBuffer();
    m_timer1.start();
    WriteToPort(QByteArray(CommandBuffer, int(strnlen(CommandBuffer, AreaSize))));
    awaitReply();
}

bool CommandEngine::SendDirectCommand(const QByteArray &command, int ackTicks) {
    if (!settleBeforeSending()) return false;
    setCommand(command);
    AckWaitTicks = ackTicks;
    const bool showedBusy = !m_host.isBusyCursor();
    if (showedBusy) m_host.setBusyCursor(true);
    bool answered = false;
    {
        // A line that fails under this wait ends in the recovery dialog below, which is then the
        // user's one message about it; the queued line-lost report may arrive while the wait still
        // pumps events, before the recovery has begun.
        ++m_recovering;
        const auto done = qScopeGuard([this] { --m_recovering; });
        answered = SendAndWaitAck(QByteArray(CommandBuffer, int(strnlen(CommandBuffer, AreaSize))));
        if (!answered) m_lossesReported = m_port.lossCount();
    }
    LinkOk = answered;
    // The recovery re-sends the command with the normal wait, and the next command brings its own.
    AckWaitTicks = DefaultAckWaitTicks;
    if (!LinkOk) RecoverLink();
    if (showedBusy) m_host.setBusyCursor(false);
    reportAbandoned();
    return LinkOk;
}

// Probes until the line answers (asking the user when it does not), then re-sends the command. A line
// that answers the probe but never the command is a device that will not take it: after every few such
// attempts the user decides whether to go on, as for a Controller command.
void CommandEngine::RecoverLink() {
    const int portNumber = m_port.ComNumber();
    // The recovery dialog is the user's one message and one decision about this line: a line-lost
    // report meanwhile would only stack a second box on it.
    ++m_recovering;
    const auto done = qScopeGuard([this] { --m_recovering; });
    const QByteArray text(CommandBuffer, int(strnlen(CommandBuffer, AreaSize)));
    int attempts = 1; // the send that failed before the recovery
    LinkOk = false;
    while (!LinkOk && !aborted()) {
        AckWaitTicks = ProbeAckWaitTicks;
        LinkOk = ProbePort(portNumber);
        while (!LinkOk && !aborted()) {
            if (m_host.askOkCancel(QStringLiteral("COM Port error"), QString::fromLatin1(TextComPortError))) {
                LinkOk = ProbePort(portNumber);
            } else if (!aborted()) { // a window closing meanwhile ends the process its own way
                abandon(text, {});
                requestExit();
            }
        }
        AckWaitTicks = DefaultAckWaitTicks;
        if (aborted()) break;
        LinkOk = SendAndWaitAck(text);
        if (!LinkOk && ++attempts % AttemptsBeforeAsking == 0 && !keepResending({}, text, attempts)) {
            if (!aborted()) abandon(text, {});
            break;
        }
    }
}

// The process ends inside the host; should the host return (a test double does), nothing more may be
// sent or asked, so every wait above this one unwinds too.
void CommandEngine::requestExit() {
    m_host.exitProcess(-1);
    m_exitRequested = true;
    EventPump::requestAbort();
}

bool CommandEngine::Probe(int portNumber) {
    AckWaitTicks = ProbeAckWaitTicks;
    LinkOk = ProbePort(portNumber);
    AckWaitTicks = DefaultAckWaitTicks;
    return LinkOk;
}

bool CommandEngine::ProbePort(int portNumber) {
    if (!m_port.IsPortAvailable(portNumber)) return false;
    m_port.SetComNumber(portNumber);
    // Inside the recovery its dialog is the user's one message about this line; a note from each probe
    // would stack a second box on it (how the line fails while it is being re-probed is a matter of
    // timing: gone, still held, or silent).
    const bool tell = m_recovering == 0;
    if (!m_port.isOpen() && !m_port.SetOpen(true)) {
        const QString group = m_port.deniedGroup();
        if (tell && !group.isEmpty())
            m_host.showMessage(
                QStringLiteral("Note: COM Port #%1 (%2) cannot be opened: this user account has no "
                               "permission to use it. Add the user to the group \"%3\" that owns the "
                               "device (for example: sudo usermod -aG %3 $USER), then log out and in again.")
                    .arg(portNumber)
                    .arg(m_port.devicePath(), group));
        else if (tell && m_port.accessDenied())
            m_host.showMessage(
                QStringLiteral("Note: COM Port #%1 (%2) cannot be opened: this user account has no "
                               "permission to use it. Ask whoever looks after this computer for "
                               "read and write access to the device.")
                    .arg(portNumber)
                    .arg(m_port.devicePath()));
        else if (tell && m_port.isNetwork())
            m_host.showMessage(QStringLiteral("Note: COM Port #%1 (%2) cannot be reached: %3.")
                                   .arg(portNumber)
                                   .arg(m_port.devicePath(), m_port.errorText()));
        else if (tell)
            m_host.showMessage(
                QStringLiteral("Note: COM Port #%1 is not responding/being used by another application.")
                    .arg(portNumber));
        return false;
    }
    bool answered = SendAndWaitAck(QByteArrayLiteral("\r"));
    if (!answered && !m_rawWaitFailed) answered = SendAndWaitAck(QByteArrayLiteral("\r"));
    if (m_rawWaitFailed) {
        m_lossesReported = m_port.lossCount();
        if (tell) m_host.showMessage(QStringLiteral("Note: COM Port #%1 is not responding.").arg(portNumber));
        return false;
    }
    return answered;
}

void CommandEngine::beginWait() {
    ReplyFailed = false;
    ControllerDebug = false;
    m_failure = Reply::Outcome::Answered;
    ReplyArea[0] = 0;
    ReplyPos = 0;
    m_stored = 0;
}

void CommandEngine::awaitReply() {
    EventPump::waitUntil([this] { return !AwaitingReply || ReplyFailed; });
    m_timer1.stop();
    if (AwaitingReply) failWait(); // ended by the program closing
}

void CommandEngine::finishWait() {
    ReplyPos = 0;
    m_stored = 0;
    AwaitingReply = false;
}

void CommandEngine::failWait() {
    m_timer1.stop();
    m_failure = Reply::Outcome::Failed;
    ReplyFailed = true;
    finishWait();
}

void CommandEngine::Timer1Timer() {
    m_timer1.stop();
    m_host.showMessage(QString::fromLatin1(TextTimeout));
    m_failure = Reply::Outcome::TimedOut;
    ReplyFailed = true;
    finishWait();
}

void CommandEngine::ApdComPort1TriggerAvail(int count) {
    if (!AwaitingReply) {
        if (m_owedAcks > 0 && !m_controllerMode) takeOwedAcknowledgements(count);
        return;
    }
    // Never past the area: a reply that does not fit ends the wait as failed instead of being cut.
    const int room = AreaSize - m_stored;
    const int stored = m_port.GetBlock(ReplyArea + m_stored, std::min(count, room));
    m_stored += stored;
    examineReply();
    if (AwaitingReply && stored < count) failWait();
}

// Examines the stored bytes from ReplyPos on. A Controller message whose first bytes end this block is
// left for the next notification to complete, so a message split over two notifications is still
// recognised; ReplyPos then stays on its first byte.
void CommandEngine::examineReply() {
    if (!AwaitingReply) return;
    const ReplyScanner::Result found = ReplyScanner::scan(
        ReplyArea, m_stored, ReplyPos, {ReplyMinLength, quint8(AckChar), m_controllerMode});
    ReplyPos = found.pos;
    if (found.found == ReplyScanner::Found::Acknowledgement) {
        ReplyArea[m_stored - 1] = 0; // the last byte of this notification's block
        finishWait();
    } else if (found.found == ReplyScanner::Found::Message) {
        actOnControllerMessage(found.message);
    }
}

// Returns true when the message ended the wait.
bool CommandEngine::actOnControllerMessage(ControllerMessage message) {
    switch (message) {
    case ControllerMessage::None:
    case ControllerMessage::Incomplete:
        return false;
    case ControllerMessage::Rejected:
        m_failure = Reply::Outcome::ControllerError;
        break;
    case ControllerMessage::DebugPrompt:
        ControllerDebug = true;
        m_failure = Reply::Outcome::ControllerDebug;
        break;
    case ControllerMessage::NoResponse:
        m_failure = Reply::Outcome::NoResponse;
        m_timer1.stop();
        m_host.showMessage(QString::fromLatin1(TextNoResponse));
        break;
    case ControllerMessage::OtherError:
        // The wait has its answer: the watchdog must not fire during the pause and add a time-out.
        m_timer1.stop();
        m_host.setStatusText(QString::fromLatin1(TextControllerErrorCode));
        pause(m_pacing.controllerErrorPauseMs);
        m_failure = Reply::Outcome::ControllerError;
        break;
    }
    ReplyFailed = true;
    finishWait();
    return true;
}

void CommandEngine::onPortOpenChanged(bool open) {
    // A closed line ends an event-driven wait at once; the watchdog would only repeat into nothing.
    if (!open && AwaitingReply) failWait();
    if (!open) forgetOwed();
}

void CommandEngine::onLineLost(const QString &reason) {
    if (m_recovering > 0) m_lossesReported = m_port.lossCount();
    if (m_port.lossCount() == m_lossesReported) return; // a probe or the recovery has told the user
    m_host.showMessage(QStringLiteral("Error! COM Port #%1 has stopped working (%2) and has been closed. "
                                      "Please check the cable, then search for Kestrix(s) again.")
                           .arg(m_port.ComNumber())
                           .arg(reason));
}
