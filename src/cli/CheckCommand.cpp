// SPDX-License-Identifier: GPL-3.0-or-later
// lumivane-cli check and preview: the Blend Preview page's findings and picture of a configuration
// file (check --devices reads the devices first, in DeviceCommands.cpp).
#include "BlendCheck.h"
#include "BlendPicture.h"
#include "CliCommands.h"
#include "CliOptions.h"
#include "DeviceModel.h"
#include "ExitStatus.h"
#include "FieldListing.h"
#include "ModelAccessors.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

void say(const CliStreams &streams, const QString &text) {
    writeText(streams.err, QStringLiteral("lumivane-cli: %1\n").arg(text));
}

// The file's records in a model of their own; false with the reason said.
bool loadFile(const CliOptions &options, const CliStreams &streams, DeviceModel *model) {
    QByteArray image;
    const QString problem = readConfigurationImage(options.file, &image);
    if (!problem.isEmpty()) {
        say(streams, problem);
        return false;
    }
    model->applyImage(image);
    return true;
}

blend::BlendWall wallOf(DeviceModel &model, int devices, double projectorGamma) {
    UpdateDefaultSourceSize(model);
    blend::BlendInput input = blend::inputFromFile(model, projectorGamma);
    input.devicesConnected = devices;
    return blend::analyse(input);
}

QString noWall(const blend::BlendWall &wall) {
    return QStringLiteral("the records describe no wall to check (%1 projector(s), overlap %2 of %3 pixels).")
        .arg(wall.input.projectors)
        .arg(wall.input.overlap)
        .arg(wall.input.projectorWidth);
}

} // namespace

int reportFindings(DeviceModel &model, int devices, const CliOptions &options, const CliStreams &streams) {
    const blend::BlendWall wall = wallOf(model, devices, options.projectorGamma);
    if (wall.empty()) {
        say(streams, noWall(wall));
        return ExitStatus::Usage;
    }
    if (options.json) {
        QJsonArray list;
        for (const blend::Finding &f : wall.findings) {
            QJsonArray screens;
            for (int s : f.screens)
                screens.append(s);
            list.append(QJsonObject{{QStringLiteral("kind"), blend::kindName(f.kind)},
                                    {QStringLiteral("screens"), screens},
                                    {QStringLiteral("text"), f.text}});
        }
        const QJsonObject json{
            {QStringLiteral("format"), kJsonFormat},
            {QStringLiteral("source"), devices > 0 ? QStringLiteral("devices") : QStringLiteral("file")},
            {QStringLiteral("projectors"), wall.input.projectors},
            {QStringLiteral("projectorWidth"), wall.input.projectorWidth},
            {QStringLiteral("overlap"), wall.input.overlap},
            {QStringLiteral("projectorGamma"), wall.input.projectorGamma},
            {QStringLiteral("findings"), list}};
        writeText(streams.out, QString::fromUtf8(QJsonDocument(json).toJson(QJsonDocument::Indented)));
    } else {
        for (const blend::Finding &f : wall.findings)
            writeText(streams.out, f.text + QLatin1Char('\n'));
    }
    if (wall.findings.isEmpty()) {
        if (!options.quiet)
            say(streams, QStringLiteral("No findings: the blending settings of the %1 projector(s) agree.")
                             .arg(wall.input.projectors));
        return ExitStatus::Ok;
    }
    if (!options.quiet) say(streams, QStringLiteral("%1 finding(s).").arg(wall.findings.size()));
    return ExitStatus::Findings;
}

int runCheck(const CliOptions &options, const CliStreams &streams) {
    DeviceModel model;
    if (!loadFile(options, streams, &model)) return ExitStatus::FileError;
    return reportFindings(model, 0, options, streams);
}

int runPreview(const CliOptions &options, const CliStreams &streams) {
    DeviceModel model;
    if (!loadFile(options, streams, &model)) return ExitStatus::FileError;
    const blend::BlendWall wall = wallOf(model, 0, options.projectorGamma);
    if (wall.empty()) {
        say(streams, noWall(wall));
        return ExitStatus::Usage;
    }
    QString error;
    if (!BlendPicture::save(wall, options.picture, &error)) {
        say(streams, QStringLiteral("Cannot write %1: %2").arg(options.picture, error));
        return ExitStatus::FileError;
    }
    if (!options.quiet)
        say(streams, QStringLiteral("Wrote %1 (%2 projector(s), %3 finding(s)).")
                         .arg(options.picture)
                         .arg(wall.input.projectors)
                         .arg(wall.findings.size()));
    return ExitStatus::Ok;
}
