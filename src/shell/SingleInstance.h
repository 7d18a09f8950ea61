// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

// Keeps the program to one running instance per user. A lock file gives the exclusivity; a local
// socket lets a second start ask the first one to bring its window to the front.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // key names the lock and the socket; the default is per user.
    explicit SingleInstance(const QString &key = defaultKey(), QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this process is now the only instance (and listens for raise requests).
    bool acquire();
    // From a second instance: ask the running one to come to the front. True when it was reached.
    bool askRunningInstanceToRaise(int timeoutMs = 2000) const;

    static QString defaultKey();

signals:
    void raiseRequested();

private:
    QString key;
    std::unique_ptr<QLockFile> lock;
    QLocalServer *server = nullptr;
};
