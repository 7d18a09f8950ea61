#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <cstdio>

// Writes text as UTF-8.
void writeText(std::FILE *to, const QString &text);

// Reads a whole configuration file into image; the empty text when it is one, else the reason it is
// not, naming the file.
QString readConfigurationImage(const QString &path, QByteArray *image);

// Every named field of devices 1 and 2, channels 1 to 4: an aligned table, or JSON of the shape
// {"devices": [{"device": 1, "channels": [{"channel": 1, "input": {name: value, ...},
// "output": {...}}, ...]}, ...]}. Floats are given so that they read back to the same value.
QString imageTable(const QByteArray &image);
QJsonObject imageJson(const QByteArray &image);
// The inverse of imageJson, for checking a dump: the image the JSON describes, the bytes it does not
// name left zero. False with a reason when a name or value does not fit.
bool imageFromJson(const QJsonObject &json, QByteArray *image, QString *reason);

// What a push of the file to `devices` devices would change on them, one line each: device, channel,
// field, file value, device value, in aligned columns, under a heading line. Values are compared as the
// push sends them (system-wide values from the file's device 1 to every device, reals at the commands'
// one decimal, on/off values as on or off); values the push does not send are left out. A value the
// device's record does not report (its halos or its feathering widths, by the record's form) is listed
// with "not reported" for the device value and counted in unreported.
QStringList differences(const QByteArray &file, const QByteArray &device, int devices, int *unreported = nullptr);
