// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "StatusParsers.h"
#include "WindowState.h"

class DeviceModel;

#include <QByteArray>

#include <functional>

class CommandEngine;
struct Reply;

// The three status queries: each asks one device for one record, waits for the reply through the
// engine and copies the record into the model tables. A failed query leaves the record as it was.
//
// Queries are sent unframed in both link modes and do not look at LinkActive. In Controller mode a
// query the Controller rejected is asked again; those repeats are bounded by kMaxRepeats so that a
// Controller that keeps failing (or a line that stays silent) cannot hold the program in a loop of
// time-out messages for ever.
class StatusQueries {
public:
    using RecordKind = StatusParsers::RecordKind;

    // Repeats after the first attempt while the Controller keeps reporting an error (or, for output
    // records, while nothing at all arrives).
    static constexpr int kMaxRepeats = 5;

    StatusQueries(CommandEngine &engine, DeviceModel &model);

    // The smallest reply position at which the engine accepts the closing acknowledgement of a query.
    static int replyMinLength(RecordKind kind);

    bool QuerySystemInfo(int device);
    bool QueryInputInfo(int device, int channel);
    bool QueryOutputInfo(int device, int channel);

    // Re-reads channels 1..4 of a device; a failed channel keeps its record and the others still run.
    void QueryInputs(int device);
    void QueryOutputs(int device);

    // What the read of one device asks its caller: whether to go on after a failed input or output
    // record (the user's answer), and a notice after each record for progress feedback.
    struct ReadObserver {
        std::function<bool(RecordKind kind, int channel)> continueAfterFailure;
        // After each record the read goes on from: read (true), or failed and skipped by the user.
        std::function<void(RecordKind kind, int channel, bool read)> recordDone;
    };

    // Reads one device: its system record, its four input records, its four output records; then marks
    // the model as read from the devices and updates the default source size. Returns 1 when done,
    // -1 when the system record failed, -1 - channel when an input record failed and the observer chose
    // to stop, -5 - channel for an output record. When the program is closing or the port has closed, a
    // failure ends the read without asking.
    int ReadDeviceRecords(int device, const ReadObserver &observer);

private:
    bool query(RecordKind kind, int device, int channel);
    QByteArray queryText(RecordKind kind, int device, int channel) const;
    Reply exchange(RecordKind kind, const QByteArray &request, int minLength);
    bool parseReply(RecordKind kind, int device, int channel, const Reply &answer, int minLength);
    void reportParseFailure(RecordKind kind);

    CommandEngine &engine;
    DeviceModel &model;
    WindowState &state;
};
