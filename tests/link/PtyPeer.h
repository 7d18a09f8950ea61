// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class QSocketNotifier;

// The far end of a pseudo-terminal, driven by the test on the test's own thread: it records every byte
// the program writes, splits them into requests (up to a CR; a Controller frame's CR CR stays one
// request) and answers each one through `respond`. Answers may be delayed so that they arrive as
// separate data notifications. It keeps a slave descriptor of its own open so that the master never
// sees a hang-up while the program's port is closed.
//
// The program is given a path of the peer's own (a link to the pseudo-terminal) that goes away with the
// hang-up, as an unplugged adapter's device node does. The kernel reuses terminal numbers at once, so a
// test that re-probes a hung-up line by the terminal's own name could open another test's line.
class PtyPeer : public QObject {
    Q_OBJECT
public:
    PtyPeer();
    ~PtyPeer() override;

    bool isOpen() const { return m_master >= 0; }
    // The path the program opens (the link); ttyPath() is the pseudo-terminal itself.
    QString slavePath() const { return m_linkPath; }
    QString ttyPath() const { return m_slavePath; }
    // Points the link at another line (a device that comes back on another terminal), or away.
    void relink(const QString &ttyPath);

    // Answers a request; the returned bytes are written at once (nothing when empty).
    std::function<QByteArray(const QByteArray &request)> respond;

    void write(const QByteArray &bytes);
    void writeLater(const QByteArray &bytes, int delayMs);
    // Stops or resumes reading what the program writes (its output then backs up).
    void setReading(bool on);
    // Closes the master side: the program's end of the line fails as if the cable were pulled.
    void hangUp();
    // The line rate the program set on the slave, as the master sees it.
    int baud() const;
    // Whether RTS/CTS flow control is set on the line.
    bool hardwareFlow() const;

    QByteArray received;
    QList<QByteArray> requests;

private:
    void onReadable();
    void splitRequests();

    int m_master = -1;
    int m_slaveKeepAlive = -1;
    QString m_slavePath;
    QString m_linkPath;
    QSocketNotifier *m_notifier = nullptr;
    QByteArray m_pending;
};
