// SPDX-License-Identifier: GPL-3.0-or-later
// lumivane-cli dump: every field of a configuration file with its name.
#include "CliCommands.h"
#include "CliOptions.h"
#include "ExitStatus.h"
#include "FieldListing.h"

#include <QJsonDocument>

int runDump(const CliOptions &o, const CliStreams &streams) {
    QByteArray image;
    const QString problem = readConfigurationImage(o.file, &image);
    if (!problem.isEmpty()) {
        writeText(streams.err, QStringLiteral("lumivane-cli: %1\n").arg(problem));
        return ExitStatus::FileError;
    }
    if (o.json)
        writeText(streams.out,
                  QString::fromUtf8(QJsonDocument(imageJson(image)).toJson(QJsonDocument::Indented)));
    else
        writeText(streams.out, imageTable(image));
    return ExitStatus::Ok;
}
