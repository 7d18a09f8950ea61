// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConfigFile.h"

#include "DeviceModel.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ConfigFile {
namespace {

constexpr qint64 InputRowBytes = qint64(sizeof(InputInfo)) * kChannelSlots;
constexpr qint64 OutputRowBytes = qint64(sizeof(OutputInfo)) * kChannelSlots;
static_assert(InputRowBytes == 420 && OutputRowBytes == 440, "the file stores the records raw");
static_assert(2 * InputRowBytes + 2 * OutputRowBytes == FileSize);

bool storedAddress(int device, int slot) {
    return device >= 1 && device <= 2 && slot >= 0 && slot < kChannelSlots;
}

// What a file that is not a regular one is, for the detail of a refusal.
QString fileKind(mode_t mode) {
    if (S_ISDIR(mode)) return QStringLiteral("a directory");
    if (S_ISFIFO(mode)) return QStringLiteral("a FIFO");
    if (S_ISCHR(mode) || S_ISBLK(mode)) return QStringLiteral("a device");
    if (S_ISSOCK(mode)) return QStringLiteral("a socket");
    return QStringLiteral("not a regular file");
}

} // namespace

qint64 inputRecordOffset(int device, int slot) {
    if (!storedAddress(device, slot)) return -1;
    return (device - 1) * InputRowBytes + slot * qint64(sizeof(InputInfo));
}

qint64 outputRecordOffset(int device, int slot) {
    if (!storedAddress(device, slot)) return -1;
    return 2 * InputRowBytes + (device - 1) * OutputRowBytes + slot * qint64(sizeof(OutputInfo));
}

QString message(Result result) {
    switch (result) {
    case Result::Ok:
        return {};
    case Result::CannotCreate:
        return QStringLiteral("Error! Unable to create Configuration file. Check if disk is write-protected");
    case Result::CannotOpen:
        return QStringLiteral("Error! Unable to open Configuration file. Check if file exist?");
    case Result::BadSize:
        return QStringLiteral("Error! File corrupted. File size invalid.");
    case Result::NotRegularFile:
        return QStringLiteral("Error! Unable to open Configuration file. It is not a regular file.");
    }
    return {};
}

Result SaveConfigurationFile(const DeviceModel &model, const QString &path) {
    // Unbuffered, so that a short write (disk full, stick pulled) shows in write()'s count: this Qt's
    // commit() renames the temporary over the old file even when its own final flush failed.
    // The new file is renamed over the old one, which would put a regular file in place of a device
    // node or a FIFO (as root, "/dev/null" itself): only a regular file, or none yet, is replaced.
    struct stat existing {};
    if (::stat(QFile::encodeName(path).constData(), &existing) == 0 && !S_ISREG(existing.st_mode))
        return Result::CannotCreate;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return Result::CannotCreate;
    const QByteArray bytes = model.image();
    if (file.write(bytes) != bytes.size() || !file.flush() || file.size() != FileSize) {
        file.cancelWriting();
        return Result::CannotCreate;
    }
    return file.commit() ? Result::Ok : Result::CannotCreate;
}

Result readImage(const QString &path, QByteArray *bytes, QString *detail) {
    auto fail = [detail](Result result, const QString &why) {
        if (detail) *detail = why;
        return result;
    };
    // Only a regular file is opened at all: opening a FIFO waits for a writer, and opening a device
    // can have effects of its own. The descriptor is then opened without waiting and checked again, so
    // the path cannot be swapped for another kind of file between the check and the read.
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (::stat(name.constData(), &info) != 0)
        return fail(Result::CannotOpen, QString::fromLocal8Bit(std::strerror(errno)));
    if (!S_ISREG(info.st_mode)) return fail(Result::NotRegularFile, fileKind(info.st_mode));
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return fail(Result::CannotOpen, QString::fromLocal8Bit(std::strerror(errno)));
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return fail(Result::NotRegularFile, fileKind(info.st_mode));
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return fail(Result::CannotOpen, file.errorString());
    if (file.size() != FileSize)
        return fail(Result::BadSize,
                    QStringLiteral("it holds %1 bytes where a configuration file holds exactly %2")
                        .arg(file.size())
                        .arg(FileSize));
    // A read that comes up short (a medium failing under us) is an unreadable file, not a short model.
    QByteArray read = file.read(FileSize + 1);
    if (read.size() != FileSize)
        return fail(Result::CannotOpen,
                    QStringLiteral("it could not be read whole (%1)").arg(file.errorString()));
    *bytes = read;
    return Result::Ok;
}

Result LoadConfigurationFile(DeviceModel &model, const QString &path) {
    QByteArray bytes;
    const Result result = readImage(path, &bytes);
    if (result == Result::Ok) model.applyImage(bytes);
    return result;
}

} // namespace ConfigFile
