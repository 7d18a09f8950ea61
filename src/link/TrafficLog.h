// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>

// Every byte that went over the serial line, in order, as bursts: the bytes that went one way with no
// pause longer than BurstGapMs between them make one chunk (one line of the saved text), stamped with
// the time of their first byte. Marks (port opened and closed, baud changed, line lost) sit between
// the chunks, so that one log holds every session of a run. This is what support staff ask an
// installer for when a device misbehaves.
//
// Bounded by the memory it really holds (each chunk's allocation and its slot in the list, not only
// the payload) so that a port left open for days cannot eat the memory; the oldest chunks go first and
// the saved text says how many bytes were dropped.
//
// A capture file, once started, receives every record as it happens, one write per record, so that
// what was captured survives a crash of the program or a lost line.
class TrafficLog {
public:
    enum class Direction { Sent, Received, Mark };
    struct Chunk {
        qint64 time; // milliseconds since the epoch, of the first byte
        Direction direction;
        QByteArray bytes; // the text of the mark for a Mark
    };

    static constexpr qint64 DefaultCapacity = 8 * 1024 * 1024;
    static constexpr int BurstGapMs = 50;
    static constexpr int MaxChunkBytes = 4096; // a longer burst continues in a new chunk

    explicit TrafficLog(qint64 capacityBytes = DefaultCapacity) : m_capacity(capacityBytes) {}
    ~TrafficLog();
    TrafficLog(const TrafficLog &) = delete;
    TrafficLog &operator=(const TrafficLog &) = delete;

    // Forgets every chunk (a running capture goes on).
    void clear();
    void record(Direction direction, const QByteArray &bytes);
    // The same with the time given (milliseconds since the epoch), for replaying and for tests.
    void record(Direction direction, const QByteArray &bytes, qint64 time);
    void mark(const QString &text);
    void mark(const QString &text, qint64 time);

    const std::deque<Chunk> &chunks() const { return m_chunks; }
    // Numbers every chunk ever started: the first kept chunk has firstSerial(), the next one
    // firstSerial() + 1 and so on. A view uses it to tell new chunks from those it has shown.
    qint64 firstSerial() const { return m_firstSerial; }
    qint64 endSerial() const { return m_firstSerial + m_chunks.size(); }
    qint64 droppedBytes() const { return m_dropped; }
    qint64 capacity() const { return m_capacity; }
    // The heap memory the log holds: the chunks' byte blocks with their headers and the allocator's
    // overhead, and the list of chunks. Never above capacity() once a second chunk exists.
    qint64 memoryUse() const { return m_chunkMemory + listMemory(); }

    // One line's start: the date and time, then " TX ", " RX " or " -- ".
    static QByteArray lineStart(const Chunk &chunk);
    // Bytes as plain text: printable ASCII as is, everything else (and the backslash) as \xHH.
    static QByteArray escaped(const QByteArray &bytes);
    // Bytes as hexadecimal pairs separated by blanks, each pair followed by a blank.
    static QByteArray hex(const QByteArray &bytes);

    // The log as text: the header lines each after "# ", the dropped bytes' count, then one line per
    // chunk: lineStart() and the escaped bytes (the text of a mark as is).
    QByteArray toText(const QStringList &header = {}) const;
    // Writes the text to path atomically, piece by piece (the whole text is never built): the file is
    // either the whole log or left as it was. False, with the reason in words in *error, when anything
    // fails.
    bool writeTo(const QString &path, const QStringList &header, QString *error) const;

    // Starts writing every record to path (replacing the file), beginning with the header lines.
    // False, with the reason in words, when the file cannot be made. A running capture ends first.
    bool startCapture(const QString &path, const QStringList &header, QString *error);
    void stopCapture();
    bool capturing() const { return m_capture != nullptr; }
    QString capturePath() const { return m_capture ? m_capture->fileName() : QString(); }
    // Called when a write to the capture file fails; the capture has stopped then. It runs inside
    // record(), that is inside the port's own calls: it must not block or pump events.
    void setCaptureFailureHandler(std::function<void(const QString &path, const QString &reason)> handler) {
        m_captureFailed = std::move(handler);
    }

    // Why writing the file at path failed, in words, from the file's own error and what the folder
    // and the file are like.
    static QString fileProblem(const QString &path, const QString &fileError, int savedErrno);

private:
    static qint64 blockCost(const QByteArray &bytes);
    qint64 listMemory() const;
    void append(Direction direction, const char *data, qsizetype size, qint64 time, bool *startedLine);
    void trim();
    void capture(const QByteArray &text);

    qint64 m_capacity;
    qint64 m_chunkMemory = 0;
    qint64 m_dropped = 0;
    qint64 m_firstSerial = 0;
    qint64 m_lastTime = 0; // of the last byte recorded
    std::deque<Chunk> m_chunks;
    std::unique_ptr<QFile> m_capture;
    bool m_captureHasLine = false;
    bool m_newLine = false; // the next record starts a chunk of its own (a capture began)
    std::function<void(const QString &, const QString &)> m_captureFailed;
};
