// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Vocabulary of the simulated far end: how it is set up, what it recorded, which faults it can play.
// Nothing here is shared with the program's own link or protocol code on purpose: the simulator is an
// independent peer, so a mistake in the program cannot be mirrored by the same mistake here.

struct SimOptions {
    enum Mode { Direct, Controller };
    Mode mode = Direct;
    // RS-485 IDs of the devices behind the Controller (device 1, device 2). Direct mode uses one device.
    QList<int> ids{1, 2};
    // Replaces the Controller's answer to NKX (the count and IDs text, e.g. "0" or "3 5 6 7");
    // empty: the count and IDs of the devices present.
    QByteArray nkxText;
    // Answer only while the line runs at the mode's own rate (the search tries both rates).
    bool onlyAtModeBaud = false;
    // Write answers at the line's byte rate (10 bits a byte) instead of all at once.
    bool paceOutput = false;
    // Act on a request only once its bytes would have crossed a real line.
    bool paceInput = false;
    // The Controller echoes KXQUERY lines ahead of the record (moves the record marker back).
    bool echoQueries = false;
    // The Controller starts at its debug prompt and stays there until "debug 0".
    bool startInDebug = false;
    int directBaud = 38400;
    int controllerBaud = 57600;

    // The far end that --simulate starts: a Controller with two Kestrix devices (IDs 6 and 7), paced
    // like a real line and answering only at the Controller's rate.
    static SimOptions builtIn() {
        SimOptions sim;
        sim.mode = Controller;
        sim.ids = {6, 7};
        sim.onlyAtModeBaud = true;
        sim.paceInput = true;
        sim.paceOutput = true;
        return sim;
    }
};

enum class SimFault {
    DropAck,          // the answer comes without its final acknowledgement character
    LateAck,          // the answer comes `arg` ms late
    ControllerReject, // the Controller answers "?" CR LF "CTR"
    DebugPrompt,      // the Controller answers "?" CR LF "DEB" and stays at its debug prompt until "debug 0"
    ControllerError,  // the Controller answers "!ERR" + blank + code (`arg` as a character, '4' when 0)
    Garbage,          // `arg` bytes of noise (5 when 0) ahead of the answer
    SplitReply,       // the answer is written one byte at a time, `arg` ms apart (2 when 0)
    NoMarker,         // a status record goes out without its 0x01 marker and format byte
    Silence,          // nothing at all is answered, nothing is applied
};

struct SimRequest {
    enum Kind { Probe, DebugOff, CountQuery, Command, Query, Unknown };
    // The bytes of the request as received, CRs included. A line closed by CR CR is logged once, but
    // answered as the two requests it is to a real far end (the line, then the empty line).
    QByteArray raw;
    int baud = 0;    // the line's rate when the request was complete
    qint64 atMs = 0; // milliseconds since start() when it was complete
    // Microseconds since start(): when its first byte was read, and when the last byte of its answer
    // was written (-1 while nothing of it has gone out). The gap between an answer's end and the next
    // request's first byte is the program's turnaround.
    qint64 firstByteUs = 0;
    qint64 answerEndUs = -1;
    // When its last byte was read: later than its first byte plus its bytes' time on the line when the
    // program stopped writing halfway through it.
    qint64 lastByteUs = 0;
    Kind kind = Unknown;
    bool framed = false;     // came in a "PASS " frame
    bool checksumOk = false; // framed only: the two digits matched the text's byte sum
    int targetId = -1;       // the RS-485 ID after the asterisk (Controller), -1 when none
    QByteArray command;      // the device's command or query text: no id, no "!", no CR ("DDBL 1")
    bool answered = false;   // something was sent back for it
    QByteArray answer;       // what was sent back, before any pacing, delay or splitting
    QString error;           // why it was not understood; empty when it was
};
