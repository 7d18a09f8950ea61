// SPDX-License-Identifier: GPL-3.0-or-later
#include "TrafficLog.h"

#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

TrafficLog::~TrafficLog() {
    stopCapture();
}

void TrafficLog::clear() {
    m_firstSerial += m_chunks.size();
    m_chunks = {};
    m_chunkMemory = 0;
    m_dropped = 0;
}

qint64 TrafficLog::blockCost(const QByteArray &bytes) {
    if (bytes.capacity() == 0) return 0;
    // The block holds a 16-byte header, the bytes and a NUL; the allocator adds its own word and
    // rounds the whole up to 16 bytes.
    const qint64 block = qint64(bytes.capacity()) + 16 + 1 + 8;
    return std::max<qint64>(32, (block + 15) / 16 * 16);
}

qint64 TrafficLog::listMemory() const {
    // The list keeps its chunks in blocks of 512 bytes (with the allocator's overhead) and a table of
    // pointers to the blocks, about twice as long as the blocks in use.
    constexpr qint64 Block = 512;
    constexpr qint64 PerBlock = std::max<qint64>(1, Block / qint64(sizeof(Chunk)));
    const qint64 blocks = (qint64(m_chunks.size()) + PerBlock - 1) / PerBlock + 1;
    return blocks * (Block + 16) + (2 * blocks + 8) * qint64(sizeof(void *)) + 16;
}

void TrafficLog::record(Direction direction, const QByteArray &bytes) {
    record(direction, bytes, QDateTime::currentMSecsSinceEpoch());
}

void TrafficLog::mark(const QString &text) {
    mark(text, QDateTime::currentMSecsSinceEpoch());
}

void TrafficLog::mark(const QString &text, qint64 time) {
    record(Direction::Mark, text.toUtf8(), time);
}

void TrafficLog::record(Direction direction, const QByteArray &bytes, qint64 time) {
    if (bytes.isEmpty()) return;
    QByteArray captured;
    // A mark is one line whatever its length.
    const qsizetype most = direction == Direction::Mark ? bytes.size() : MaxChunkBytes;
    qsizetype done = 0;
    while (done < bytes.size()) {
        Chunk *last = m_chunks.empty() ? nullptr : &m_chunks.back();
        const bool continues = !m_newLine && last && direction != Direction::Mark &&
                               last->direction == direction && time >= m_lastTime &&
                               time - m_lastTime <= BurstGapMs && last->bytes.size() < MaxChunkBytes;
        qsizetype n = 0;
        if (continues) {
            n = std::min<qsizetype>(bytes.size() - done, MaxChunkBytes - last->bytes.size());
            m_chunkMemory -= blockCost(last->bytes);
            // Grown by doubling, but never past a full chunk: a full chunk then has no slack, and the
            // allocator sees few distinct sizes.
            if (const qsizetype needed = last->bytes.size() + n; needed > last->bytes.capacity())
                last->bytes.reserve(
                    std::min<qsizetype>(MaxChunkBytes, std::max(needed, 2 * last->bytes.capacity())));
            last->bytes.append(bytes.constData() + done, n);
            m_chunkMemory += blockCost(last->bytes);
            if (m_capture) captured += escaped(QByteArray::fromRawData(bytes.constData() + done, n));
        } else {
            if (last && last->bytes.capacity() > last->bytes.size() + 32) {
                // A finished burst gives back what its growth reserved.
                m_chunkMemory -= blockCost(last->bytes);
                last->bytes.squeeze();
                m_chunkMemory += blockCost(last->bytes);
            }
            n = std::min<qsizetype>(bytes.size() - done, most);
            m_chunks.push_back({time, direction, QByteArray(bytes.constData() + done, n)});
            m_chunkMemory += blockCost(m_chunks.back().bytes);
            if (m_capture) {
                if (m_captureHasLine || !captured.isEmpty()) captured += '\n';
                const Chunk &chunk = m_chunks.back();
                captured += lineStart(chunk);
                captured += direction == Direction::Mark ? chunk.bytes : escaped(chunk.bytes);
            }
        }
        done += n;
        m_newLine = false;
    }
    m_lastTime = time;
    trim();
    if (m_capture) capture(captured);
}

void TrafficLog::trim() {
    while (memoryUse() > m_capacity && m_chunks.size() > 1) {
        const Chunk &first = m_chunks.front();
        m_chunkMemory -= blockCost(first.bytes);
        if (first.direction != Direction::Mark) m_dropped += first.bytes.size();
        m_chunks.pop_front();
        ++m_firstSerial;
    }
}

QByteArray TrafficLog::lineStart(const Chunk &chunk) {
    QByteArray start = QDateTime::fromMSecsSinceEpoch(chunk.time)
                           .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"))
                           .toLatin1();
    switch (chunk.direction) {
    case Direction::Sent:
        return start + " TX ";
    case Direction::Received:
        return start + " RX ";
    case Direction::Mark:
        break;
    }
    return start + " -- ";
}

QByteArray TrafficLog::escaped(const QByteArray &bytes) {
    static const char digits[] = "0123456789ABCDEF";
    QByteArray text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        const auto u = uchar(c);
        if (u >= 0x20 && u < 0x7f && c != '\\') {
            text += c;
        } else {
            const char code[] = {'\\', 'x', digits[u >> 4], digits[u & 15]};
            text.append(code, 4);
        }
    }
    return text;
}

QByteArray TrafficLog::hex(const QByteArray &bytes) {
    static const char digits[] = "0123456789ABCDEF";
    QByteArray text(bytes.size() * 3, Qt::Uninitialized);
    char *out = text.data();
    for (char c : bytes) {
        const auto u = uchar(c);
        *out++ = digits[u >> 4];
        *out++ = digits[u & 15];
        *out++ = ' ';
    }
    return text;
}

namespace {

QByteArray headerText(const QStringList &header) {
    QByteArray text;
    for (const QString &line : header)
        text += "# " + line.toUtf8() + '\n';
    return text;
}

// Hands the text to `sink` in pieces of about 64 KiB.
template <typename Sink> bool streamText(const TrafficLog &log, const QStringList &header, Sink &&sink) {
    constexpr qsizetype Piece = 64 * 1024;
    QByteArray text = headerText(header);
    if (log.droppedBytes())
        text += QByteArray("(") + QByteArray::number(log.droppedBytes()) + " earlier bytes not kept)\n";
    for (const TrafficLog::Chunk &chunk : log.chunks()) {
        text += TrafficLog::lineStart(chunk);
        text +=
            chunk.direction == TrafficLog::Direction::Mark ? chunk.bytes : TrafficLog::escaped(chunk.bytes);
        text += '\n';
        if (text.size() >= Piece) {
            if (!sink(text)) return false;
            text.clear();
        }
    }
    return text.isEmpty() || sink(text);
}

} // namespace

QByteArray TrafficLog::toText(const QStringList &header) const {
    QByteArray all;
    streamText(*this, header, [&](const QByteArray &piece) {
        all += piece;
        return true;
    });
    return all;
}

QString TrafficLog::fileProblem(const QString &path, const QString &fileError, int savedErrno) {
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    if (!folder.exists()) return QStringLiteral("the folder %1 does not exist").arg(folder.filePath());
    if (!folder.isDir()) return QStringLiteral("%1 is not a folder").arg(folder.filePath());
    if (file.isDir()) return QStringLiteral("it is a folder");
    if (file.exists() && !file.isWritable()) return QStringLiteral("the file is write-protected");
    if (!file.exists() && !folder.isWritable())
        return QStringLiteral("the folder %1 is write-protected").arg(folder.filePath());
    if (!fileError.isEmpty() && !fileError.contains(QStringLiteral("Unknown error"), Qt::CaseInsensitive))
        return fileError;
    if (savedErrno != 0) return QString::fromLocal8Bit(std::strerror(savedErrno));
    return QStringLiteral("the system gave no reason");
}

bool TrafficLog::writeTo(const QString &path, const QStringList &header, QString *error) const {
    QSaveFile file(path);
    // Unbuffered: a buffered QSaveFile can lose a failed flush and still commit the damaged file.
    auto fail = [&] {
        const int savedErrno = errno;
        if (error) *error = fileProblem(path, file.errorString(), savedErrno);
        file.cancelWriting();
        return false;
    };
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return fail();
    const bool written =
        streamText(*this, header, [&](const QByteArray &piece) { return file.write(piece) == piece.size(); });
    if (!written) return fail();
    if (!file.commit()) {
        const int savedErrno = errno;
        if (error) *error = fileProblem(path, file.errorString(), savedErrno);
        return false;
    }
    return true;
}

bool TrafficLog::startCapture(const QString &path, const QStringList &header, QString *error) {
    stopCapture();
    auto file = std::make_unique<QFile>(path);
    errno = 0;
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        if (error) *error = fileProblem(path, file->errorString(), errno);
        return false;
    }
    const QByteArray head = headerText(header);
    if (!head.isEmpty() && file->write(head) != head.size()) {
        if (error) *error = fileProblem(path, file->errorString(), errno);
        return false;
    }
    m_capture = std::move(file);
    m_captureHasLine = false;
    m_newLine = true; // the capture's first line has its time and direction
    return true;
}

void TrafficLog::stopCapture() {
    if (!m_capture) return;
    if (m_captureHasLine) m_capture->write("\n");
    m_capture.reset();
}

void TrafficLog::capture(const QByteArray &text) {
    if (text.isEmpty()) return;
    errno = 0;
    if (m_capture->write(text) == text.size()) {
        m_captureHasLine = true;
        return;
    }
    const QString path = m_capture->fileName();
    const QString reason = fileProblem(path, m_capture->errorString(), errno);
    m_capture.reset();
    if (m_captureFailed) m_captureFailed(path, reason);
}
