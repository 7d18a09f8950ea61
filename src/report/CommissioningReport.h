// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BlendCheck.h"
#include "PlanningMath.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>

class DeviceModel;
class QIODevice;

// The commissioning report handed over at the end of a job: when and where, the plan of the wall with
// its drawings, every setting of every device per channel, the consistency findings with the blend
// preview picture, and the link. Written as a PDF with Qt's own painting, by the window from what it
// holds and by the command-line tool from a file or from the devices.
namespace report {

// The wall as planned: what the Planning page shows, or for records alone what a read takes over.
struct Plan {
    double screenWidth = 0;
    double screenHeight = 0;
    int projectorResH = 0;
    int projectorResV = 0;
    int projectors = 0;
    bool centred = true;
    int overlap = 0;          // the overlap the slices and the frames use
    double overlapPixels = 0; // the planned overlap, for the projector centres
    double imageWidth = 0;
    double imageHeight = 0;
    // The pixels of the input image each projector shows: the projector's width, or for records the
    // width their first input measures (which may differ from the output format's).
    double projectorWidth = 0;
};

// Each projector's slice of the input image, as the blend preview lays it out: projector 1 from 0, each
// next one starting an overlap before the previous one ends, the last ending at the image width. The
// alignment of the source material does not move them. Count 0 for a wall of no projectors.
planning::SliceLayout slices(const Plan &plan);

// The screens of the wall (1..8) that device 1 or 2 drives: its channels up to the planned projector
// count, all four when the plan has no valid count.
QList<int> screensInUse(const Plan &plan, int device);

// The wall the records describe, as the window takes it over after a read: device 1's projector count,
// alignment and overlap, and the projector size its first output's format (or first input) gives, on a
// screen 10 units high. Fills the model's default source size first.
Plan planFromRecords(DeviceModel &model);

struct DeviceInfo {
    int id = 0;      // the RS-485 ID; 0 when there is none (a direct line) or it is not known
    QString version; // empty when not known
};

struct Source {
    QDateTime written;
    QString siteNote;
    QString origin; // where the settings come from, in words ("the devices on /dev/ttyUSB0")
    Plan plan;
    QByteArray image; // both devices' records, as DeviceModel::image()
    int devices = 1;  // how many devices the report lists (1 or 2)
    bool idsKnown = false;
    bool versionsKnown = false;
    std::array<DeviceInfo, 3> info; // [1], [2]
    QStringList link;               // one line each: port, baud, mode
    blend::BlendInput blend;
};

// How many devices the records describe: two when the wall has more than four projectors or device 2's
// records hold anything.
int devicesIn(const QByteArray &image);

// The record form of a device's output records in the given channels (all four when empty), in words
// ("long: feathering widths and offsets, no halos").
QString recordForm(const QByteArray &image, int device, const QList<int> &channels = {});

// The report as a rich-text document's HTML; its pictures are the document's resources (addPictures).
QString html(const Source &source);

// Writes the report as a PDF to `out`; false with the reason.
bool writePdf(const Source &source, QIODevice &out, QString *error);
// The same to a file, replaced in one step (or left as it was when writing fails).
bool writePdf(const Source &source, const QString &path, QString *error);

} // namespace report
