// SPDX-License-Identifier: GPL-3.0-or-later
#include "SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace {
const QByteArray kRaise = "raise\n";
}

SingleInstance::SingleInstance(const QString &key, QObject *parent) : QObject(parent), key(key) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultKey() {
    return QStringLiteral("lumivane-%1").arg(::getuid());
}

bool SingleInstance::acquire() {
    lock = std::make_unique<QLockFile>(QDir::temp().filePath(key + QStringLiteral(".lock")));
    // A lock left by a process that no longer runs is taken over.
    if (!lock->tryLock(0)) return false;

    server = new QLocalServer(this);
    QLocalServer::removeServer(key); // a socket left behind by a crash; we hold the lock now
    if (!server->listen(key))
        qWarning("lumivane: cannot listen for a second start: %s", qPrintable(server->errorString()));
    connect(server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *peer = server->nextPendingConnection()) {
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                if (peer->readAll().contains(kRaise)) emit raiseRequested();
                peer->disconnectFromServer();
            });
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        }
    });
    return true;
}

bool SingleInstance::askRunningInstanceToRaise(int timeoutMs) const {
    QLocalSocket socket;
    socket.connectToServer(key);
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.write(kRaise);
    const bool sent = socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    return sent;
}
