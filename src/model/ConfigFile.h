// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

class DeviceModel;

// The .kxc configuration file (DeviceModel::image()): the raw image of device rows 1 and 2 of both record
// tables, channel slot 0 included, in the order inputs of device 1, inputs of device 2, outputs of device 1,
// outputs of device 2. No header, no version, no checksum: any file of exactly FileSize bytes is taken as it
// is, because files written by earlier releases and by hand-patching tools have exactly that shape.
namespace ConfigFile {

constexpr qint64 FileSize = 1720;

// Where one record starts inside an image: devices 1..2, channel slots 0..4. -1 for any other address.
qint64 inputRecordOffset(int device, int slot);
qint64 outputRecordOffset(int device, int slot);

enum class Result { Ok, CannotCreate, CannotOpen, BadSize, NotRegularFile };

// The text the user sees for a failed save or load; empty for Ok.
QString message(Result result);

// Writes the model atomically: the previous file stays intact unless the whole image reached the disk.
Result SaveConfigurationFile(const DeviceModel &model, const QString &path);
// Reads a whole file into bytes: Ok only for exactly FileSize bytes of a regular file. Anything else (a
// FIFO, a terminal, a directory) is refused before a byte is read, since reading a FIFO with no writer or
// a terminal would wait for ever. On a failure, detail (when given) says why in plain words: the
// system's reason, the kind of file, or the size found.
Result readImage(const QString &path, QByteArray *bytes, QString *detail = nullptr);
// Reads a whole file and only then replaces the tables; on any failure the model is untouched.
Result LoadConfigurationFile(DeviceModel &model, const QString &path);

} // namespace ConfigFile
