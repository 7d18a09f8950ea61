// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>

class QSettings;

// What the window keeps between runs: the devices the user chose for COM1 and COM2, the folder of the
// last configuration file opened or saved, and the configuration files used last. Without a store the
// values last for the run only (a window made for a test never meets the user's own settings).
class Preferences {
public:
    using Store = std::function<std::unique_ptr<QSettings>()>;
    static constexpr int kMaxRecentFiles = 5;

    explicit Preferences(const Store &store = {});
    ~Preferences();
    // The user's own settings file (~/.config/lumivane/lumivane.conf on Linux).
    static Store userStore();
    // An INI file of that path (tests keep one in a temporary folder).
    static Store fileStore(const QString &path);

    // Empty when the user chose nothing for that number.
    QString portChoice(int portNumber) const;
    void setPortChoice(int portNumber, const QString &devicePath);

    QString lastFolder() const;
    void setLastFolder(const QString &folder);

    // Most recent first, at most kMaxRecentFiles, each path once.
    QStringList recentFiles() const;
    void addRecentFile(const QString &path);
    void removeRecentFile(const QString &path);

private:
    QVariant value(const QString &key) const;
    void setValue(const QString &key, const QVariant &value);

    std::unique_ptr<QSettings> store;
    QVariantMap memory;
};
