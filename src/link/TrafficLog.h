#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// Every byte that went over the serial line since the port was last opened, in order, each chunk with
// its time and direction: what support staff ask an installer for when a device misbehaves. Bounded so
// that a port left open for days cannot eat the memory; the oldest chunks go first and the saved text
// says how many bytes were dropped.
class TrafficLog {
public:
    enum class Direction { Sent, Received };
    struct Chunk {
        QDateTime time;
        Direction direction;
        QByteArray bytes;
    };

    static constexpr qint64 DefaultCapacity = 8 * 1024 * 1024;

    explicit TrafficLog(qint64 capacityBytes = DefaultCapacity) : m_capacity(capacityBytes) {}

    // Starts afresh (the port has just opened).
    void clear();
    void record(Direction direction, const QByteArray &bytes);
    const QList<Chunk> &chunks() const { return m_chunks; }
    qint64 droppedBytes() const { return m_dropped; }

    // The log as text, one line per chunk: time, "TX" or "RX", then the bytes with printable ASCII as
    // is and everything else (and the backslash) as \xHH.
    QByteArray toText() const;
    // Writes toText() to path atomically: the file is either the whole log or left as it was. False,
    // with a plain-words reason in *error, when anything fails.
    bool writeTo(const QString &path, QString *error) const;

private:
    qint64 m_capacity;
    qint64 m_held = 0;
    qint64 m_dropped = 0;
    QList<Chunk> m_chunks;
};
