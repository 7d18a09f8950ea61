#include "TrafficLog.h"

#include <QSaveFile>

void TrafficLog::clear() {
    m_chunks.clear();
    m_held = 0;
    m_dropped = 0;
}

void TrafficLog::record(Direction direction, const QByteArray &bytes) {
    if (bytes.isEmpty()) return;
    m_chunks.append({QDateTime::currentDateTime(), direction, bytes});
    m_held += bytes.size();
    qsizetype drop = 0;
    while (m_held > m_capacity && drop < m_chunks.size() - 1) {
        m_held -= m_chunks.at(drop).bytes.size();
        m_dropped += m_chunks.at(drop).bytes.size();
        ++drop;
    }
    if (drop) m_chunks.remove(0, drop);
}

QByteArray TrafficLog::toText() const {
    QByteArray text;
    if (m_dropped) text += QByteArray("(") + QByteArray::number(m_dropped) + " earlier bytes not kept)\n";
    for (const Chunk &chunk : m_chunks) {
        text += chunk.time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")).toLatin1();
        text += chunk.direction == Direction::Sent ? " TX " : " RX ";
        for (char c : chunk.bytes) {
            const auto u = uchar(c);
            if (u >= 0x20 && u < 0x7f && c != '\\')
                text += c;
            else
                text += "\\x" + QByteArray::number(u, 16).rightJustified(2, '0').toUpper();
        }
        text += '\n';
    }
    return text;
}

bool TrafficLog::writeTo(const QString &path, QString *error) const {
    const QByteArray text = toText();
    QSaveFile file(path);
    // Unbuffered: a buffered QSaveFile can lose a failed flush and still commit the damaged file.
    auto fail = [&](const QString &what) {
        if (error)
            *error = QStringLiteral("The traffic log could not be saved to %1: %2 (%3).")
                         .arg(path, what, file.errorString());
        file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(QStringLiteral("the file could not be created"));
    if (file.write(text) != text.size()) return fail(QStringLiteral("not all of it could be written"));
    if (!file.flush()) return fail(QStringLiteral("not all of it could be written"));
    if (!file.commit()) {
        if (error)
            *error =
                QStringLiteral("The traffic log could not be saved to %1: %2.").arg(path, file.errorString());
        return false;
    }
    return true;
}
