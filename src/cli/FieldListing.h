// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SettingDifferences.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdio>

// The version of the JSON the tool prints (dump, plan, diff, ports): its "format" field. It changes only
// when a field changes meaning or goes away; new fields may appear within a version.
constexpr int kJsonFormat = 1;

// Writes text as UTF-8, or bytes as they are. False when the stream refused them (disk full, a closed
// pipe's reader gone): for stdout, outputError() then holds the system's first reason, and stays set
// for the rest of the run.
bool writeText(std::FILE *to, const QString &text);
bool writeBytes(std::FILE *to, const QByteArray &bytes);
QString outputError();

// Lines of columns, each column as wide as its widest cell, two spaces apart.
QString alignedColumns(const QList<QStringList> &rows);

// Reads a whole configuration file into image ("-": standard input); the empty text when it is one,
// else the reason it is not, naming the file.
QString readConfigurationImage(const QString &path, QByteArray *image);

// Every named field of devices 1 and 2, channels 1 to 4: an aligned table, or JSON of the shape
// {"devices": [{"device": 1, "channels": [{"channel": 1, "input": {name: value, ...},
// "output": {...}}, ...]}, ...]}. Floats are given so that they read back to the same value.
QString imageTable(const QByteArray &image);
QJsonObject imageJson(const QByteArray &image);
// The inverse of imageJson, for checking a dump: the image the JSON describes, the bytes it does not
// name left zero. False with a reason when a name or value does not fit.
bool imageFromJson(const QJsonObject &json, QByteArray *image, QString *reason);

// The comparison itself (differenceRows) is the model's, shared with the window's Compare.
// The rows as text, one line each after a header: device, channel, field, file value, device value (or
// "not reported"), in aligned columns (no lines at all for no rows).
QStringList differenceLines(const QList<Difference> &rows);
// The rows as JSON: {"format": 1, "devicesCompared": N, "differences": [{"device": 1, "channel": 2, "field":
// "BlackLevel", "file": 40, "deviceValue": 0, "notReported": false}, ...]}; values are numbers, and
// deviceValue is null when not reported.
QJsonObject differenceJson(const QList<Difference> &rows, int devices);
