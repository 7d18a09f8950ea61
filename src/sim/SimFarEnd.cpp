// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimFarEnd.h"

#include "SimCommandSet.h"

namespace {

QByteArray withoutTrailingCrs(const QByteArray &raw) {
    QByteArray line = raw;
    while (line.endsWith('\r'))
        line.chop(1);
    return line;
}

QByteArray checksumDigits(const QByteArray &text) {
    unsigned sum = 0;
    for (char c : text)
        sum += quint8(c);
    return QByteArray::number(sum % 256, 16).toUpper().rightJustified(2, '0');
}

// "*<id><text>!" -> id and text. False when the body has another shape.
bool splitAddressed(const QByteArray &body, int *id, QByteArray *text) {
    if (body.size() < 3 || body.front() != '*' || body.back() != '!') return false;
    int digits = 1;
    while (digits < body.size() - 1 && body.at(digits) >= '0' && body.at(digits) <= '9')
        ++digits;
    if (digits == 1 || digits > 6) return false;
    *id = body.mid(1, digits - 1).toInt();
    *text = body.mid(digits, body.size() - 1 - digits);
    return true;
}

const QByteArray ControllerAck = "LR>";
const QByteArray DirectAck = "\r\n#";
const QByteArray RejectAnswer = "?\r\nCTR\r\n";
const QByteArray DebugAnswer = "?\r\nDEB\r\n";
const QByteArray NoResponseAnswer = "!ERR 4\r\n";

// Noise ahead of an answer: no marker, no acknowledgement character, no Controller message.
QByteArray garbage(int count) {
    static const char pattern[] = {'\xFF', '\x00', '\x55', '\xAA', '\x7F', 'Z'};
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out.append(pattern[i % int(sizeof pattern)]);
    return out;
}

} // namespace

SimFarEnd::SimFarEnd(const SimOptions &options) {
    setOptions(options);
    debugPrompt = options.mode == SimOptions::Controller && options.startInDebug;
}

void SimFarEnd::setOptions(const SimOptions &options) {
    if (options.mode != opts.mode)
        debugPrompt = options.mode == SimOptions::Controller && options.startInDebug;
    opts = options;
    while (devices.size() < qMax(2, int(opts.ids.size())))
        devices.append(SimDevice());
}

SimDevice &SimFarEnd::device(int number) {
    return devices[qBound(1, number, int(devices.size())) - 1];
}

SimDevice *SimFarEnd::deviceWithId(int id) {
    const int index = int(opts.ids.indexOf(id));
    return index < 0 ? nullptr : &devices[index];
}

void SimFarEnd::injectFault(SimFault fault, int times, int arg, const QByteArray &match) {
    if (times > 0) faults.append({fault, times, arg, match});
}

bool SimFarEnd::takeFault(SimFault kind, const SimRequest &r, int *arg) {
    for (int i = 0; i < faults.size(); ++i) {
        PendingFault &f = faults[i];
        if (f.kind != kind || (!f.match.isEmpty() && !r.raw.contains(f.match))) continue;
        if (arg) *arg = f.arg;
        if (--f.remaining == 0) faults.removeAt(i);
        return true;
    }
    return false;
}

SimFarEnd::Answer SimFarEnd::handle(SimRequest &r) {
    const QByteArray line = withoutTrailingCrs(r.raw);
    Answer answer;
    const int modeBaud = opts.mode == SimOptions::Direct ? opts.directBaud : opts.controllerBaud;
    if (opts.onlyAtModeBaud && r.baud != modeBaud) {
        r.error = QStringLiteral("line at %1 baud, far end listens at %2").arg(r.baud).arg(modeBaud);
        return answer;
    }
    if (takeFault(SimFault::Silence, r)) {
        r.error = QStringLiteral("silenced");
        return answer;
    }
    answer.bytes = opts.mode == SimOptions::Direct ? directAnswer(r, line) : controllerAnswer(r, line);
    // A line closed by CR CR is two requests to a real far end, the second one empty, and each CR gets
    // its answer: the empty line's comes right after the line's own.
    const bool emptySecondLine = !line.isEmpty() && r.raw.endsWith("\r\r");
    if (emptySecondLine) answer.bytes += opts.mode == SimOptions::Direct ? "#" : ">";
    dressAnswer(r, answer, emptySecondLine ? 2 : 1);
    r.answered = !answer.bytes.isEmpty();
    r.answer = answer.bytes;
    return answer;
}

// acknowledgements: how many acknowledgement characters end the answer (one per line answered); a
// dropped acknowledgement drops them all, or the empty line's answer would stand in for the lost one.
void SimFarEnd::dressAnswer(const SimRequest &r, Answer &answer, int acknowledgements) {
    if (answer.bytes.isEmpty()) return;
    int arg = 0;
    if (takeFault(SimFault::DropAck, r)) answer.bytes.chop(acknowledgements);
    if (takeFault(SimFault::Garbage, r, &arg)) answer.bytes.prepend(garbage(arg > 0 ? arg : 5));
    if (takeFault(SimFault::LateAck, r, &arg)) answer.delayMs = arg;
    if (takeFault(SimFault::SplitReply, r, &arg)) answer.splitGapMs = arg > 0 ? arg : 2;
}

QByteArray SimFarEnd::directAnswer(SimRequest &r, const QByteArray &line) {
    SimDevice &d = devices[0];
    r.command = line;
    if (line.isEmpty()) {
        r.kind = SimRequest::Probe;
        return "#";
    }
    bool isQuery = false;
    const QByteArray record = queryRecord(d, r, &isQuery);
    if (isQuery) return record + DirectAck;
    r.kind = SimRequest::Command;
    // A device says nothing to a line it does not understand.
    return applyCommand(d, r) ? DirectAck : QByteArray();
}

QByteArray SimFarEnd::controllerAnswer(SimRequest &r, const QByteArray &line) {
    if (line.isEmpty()) {
        r.kind = SimRequest::Probe;
        return ">";
    }
    if (line == "debug 0") {
        r.kind = SimRequest::DebugOff;
        debugPrompt = false;
        return ">";
    }
    if (line == "NKX")
        r.kind = SimRequest::CountQuery;
    else if (line.startsWith("PASS "))
        r.kind = SimRequest::Command;
    else if (line.startsWith("KXQUERY "))
        r.kind = SimRequest::Query;
    else
        r.kind = SimRequest::Unknown;

    QByteArray answer;
    if (debugPrompt) return DebugAnswer;
    if (r.kind == SimRequest::Unknown) {
        r.command = line;
        r.error = QStringLiteral("not a Controller request");
        return RejectAnswer;
    }
    if (takeControllerFault(r, &answer)) return answer;
    switch (r.kind) {
    case SimRequest::CountQuery:
        return nkxAnswer();
    case SimRequest::Command:
        return relayFrame(r, line);
    default:
        return relayQuery(r, line);
    }
}

bool SimFarEnd::takeControllerFault(const SimRequest &r, QByteArray *answer) {
    int arg = 0;
    if (takeFault(SimFault::ControllerReject, r)) {
        *answer = RejectAnswer;
    } else if (takeFault(SimFault::DebugPrompt, r)) {
        debugPrompt = true;
        *answer = DebugAnswer;
    } else if (takeFault(SimFault::ControllerError, r, &arg)) {
        *answer = QByteArray("!ERR ") + char(arg > 0 ? arg : '4') + "\r\n";
    } else {
        return false;
    }
    return true;
}

QByteArray SimFarEnd::nkxAnswer() const {
    QByteArray text = opts.nkxText;
    if (text.isEmpty()) {
        text = QByteArray::number(opts.ids.size());
        for (int id : opts.ids)
            text += ' ' + QByteArray::number(id);
    }
    return "NKX\r\n" + text + "\r\n" + ControllerAck;
}

QByteArray SimFarEnd::relayFrame(SimRequest &r, const QByteArray &line) {
    r.framed = true;
    if (!r.raw.endsWith("\r\r")) r.error = QStringLiteral("frame not closed by CR CR");
    const QByteArray body = line.mid(5, line.size() - 7);
    r.checksumOk = line.size() >= 8 && line.right(2) == checksumDigits(body);
    if (!splitAddressed(body, &r.targetId, &r.command)) {
        r.error = QStringLiteral("frame text is not *<id><command>!");
        return RejectAnswer;
    }
    if (!r.checksumOk) {
        r.error = QStringLiteral("checksum %1 sent, %2 expected")
                      .arg(QString::fromLatin1(line.right(2)), QString::fromLatin1(checksumDigits(body)));
        return RejectAnswer;
    }
    if (!r.error.isEmpty()) return RejectAnswer;
    SimDevice *d = deviceWithId(r.targetId);
    if (!d) {
        r.error = QStringLiteral("no Kestrix with RS-485 ID %1").arg(r.targetId);
        return NoResponseAnswer;
    }
    // The Controller echoes the frame; the device's acknowledgement follows.
    return applyCommand(*d, r) ? r.raw + ControllerAck : NoResponseAnswer;
}

QByteArray SimFarEnd::relayQuery(SimRequest &r, const QByteArray &line) {
    if (!splitAddressed(line.mid(8), &r.targetId, &r.command)) {
        r.error = QStringLiteral("query text is not KXQUERY *<id><query>!");
        return RejectAnswer;
    }
    SimDevice *d = deviceWithId(r.targetId);
    if (!d) {
        r.error = QStringLiteral("no Kestrix with RS-485 ID %1").arg(r.targetId);
        return NoResponseAnswer;
    }
    bool isQuery = false;
    const QByteArray record = queryRecord(*d, r, &isQuery);
    if (!isQuery) {
        r.error = QStringLiteral("unknown query '%1'").arg(QString::fromLatin1(r.command));
        return NoResponseAnswer;
    }
    return (opts.echoQueries ? r.raw + '\n' : QByteArray()) + record + ControllerAck;
}

bool SimFarEnd::applyCommand(SimDevice &d, SimRequest &r) {
    QString why;
    if (SimCommandSet::apply(d, r.command, &why)) return true;
    r.error = why;
    return false;
}

QByteArray SimFarEnd::queryRecord(SimDevice &d, SimRequest &r, bool *isQuery) {
    SimCommandSet::Query query;
    *isQuery = SimCommandSet::parseQuery(r.command, &query);
    if (!*isQuery) return {};
    r.kind = SimRequest::Query;
    return SimCommandSet::record(d, query, !takeFault(SimFault::NoMarker, r));
}
