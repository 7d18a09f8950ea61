// SPDX-License-Identifier: GPL-3.0-or-later
#include "Preferences.h"

#include <QSettings>

namespace {
QString portKey(int portNumber) {
    return QStringLiteral("ports/com%1").arg(portNumber);
}
const QString kLastFolder = QStringLiteral("files/lastFolder");
const QString kRecentFiles = QStringLiteral("files/recent");
} // namespace

Preferences::Preferences(const Store &makeStore) {
    if (makeStore) store = makeStore();
}

Preferences::~Preferences() = default;

Preferences::Store Preferences::userStore() {
    return [] {
        return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                           QStringLiteral("lumivane"), QStringLiteral("lumivane"));
    };
}

Preferences::Store Preferences::fileStore(const QString &path) {
    return [path] { return std::make_unique<QSettings>(path, QSettings::IniFormat); };
}

QVariant Preferences::value(const QString &key) const {
    return store ? store->value(key) : memory.value(key);
}

void Preferences::setValue(const QString &key, const QVariant &value) {
    if (!store) {
        memory.insert(key, value);
        return;
    }
    store->setValue(key, value);
    // Written at once: the program may end through a path that skips destructors.
    store->sync();
}

QString Preferences::portChoice(int portNumber) const {
    return value(portKey(portNumber)).toString();
}

void Preferences::setPortChoice(int portNumber, const QString &devicePath) {
    setValue(portKey(portNumber), devicePath);
}

QString Preferences::lastFolder() const {
    return value(kLastFolder).toString();
}

void Preferences::setLastFolder(const QString &folder) {
    setValue(kLastFolder, folder);
}

QStringList Preferences::recentFiles() const {
    QStringList files = value(kRecentFiles).toStringList();
    files.removeAll(QString());
    files.removeDuplicates();
    return files.mid(0, kMaxRecentFiles);
}

void Preferences::addRecentFile(const QString &path) {
    QStringList files = recentFiles();
    files.removeAll(path);
    files.prepend(path);
    setValue(kRecentFiles, files.mid(0, kMaxRecentFiles));
}

void Preferences::removeRecentFile(const QString &path) {
    QStringList files = recentFiles();
    files.removeAll(path);
    setValue(kRecentFiles, files);
}
