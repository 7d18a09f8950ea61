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

// The settings that differ between two images, one line each, devices 1..devices: device, channel,
// field, first value, second value, in aligned columns. Values that only the device measures are not
// settings and are left out; system-wide values are compared in channel 1 only.
QStringList differences(const QByteArray &file, const QByteArray &device, int devices);
