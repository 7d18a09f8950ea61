// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// lumivane-cli run as its own process, as a script runs it, and a file it accepts, for the CLI's test
// programs. LUMIVANE_CLI is the tool's path, defined by each program's build.
#include "ConfigFile.h"
#include "ModelFields.h"
#include "SettingCheck.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>

struct Run {
    int status = -1; // the exit status; -2 when a signal ended the tool
    QString out;
    QString err;
};

// stdoutFile / stdinFile: where the tool's standard output goes (instead of being read back) and
// where its standard input comes from. prepare, when given, adjusts the process before it starts
// (its environment, a descriptor of its own).
inline Run runCli(const QStringList &arguments, const QString &stdoutFile = {}, const QString &stdinFile = {},
                  const std::function<void(QProcess &)> &prepare = {}) {
    QProcess process;
    if (!stdoutFile.isEmpty()) process.setStandardOutputFile(stdoutFile);
    if (!stdinFile.isEmpty()) process.setStandardInputFile(stdinFile);
    if (prepare) prepare(process);
    process.start(QStringLiteral(LUMIVANE_CLI), arguments);
    Run run;
    if (!process.waitForFinished(180000)) {
        process.kill();
        process.waitForFinished();
        run.err = QStringLiteral("lumivane-cli did not finish");
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// A file of n projectors (0: none set) that the tool accepts: every value a push sends raised to the
// lowest it may be. What a push sends depends on values such as the projector count, so this repeats
// until nothing changes.
inline QByteArray sendableImage(int projectors = 0) {
    QByteArray image(int(ConfigFile::FileSize), '\0');
    const ModelFields::Field *total =
        ModelFields::find(ModelFields::Record::Output, QStringLiteral("TotalProjectors"));
    ModelFields::setValue(image, *total, 1, 1, projectors);
    for (bool changed = true; changed;) {
        changed = false;
        for (const SettingCheck::SentValue &v : SettingCheck::sentValues(image, 2)) {
            const auto range = SettingCheck::rangeOf(image, *v.field, v.fromDevice, v.fromChannel);
            if (!range || range->contains(ModelFields::value(image, *v.field, v.fromDevice, v.fromChannel)))
                continue;
            ModelFields::setValue(image, *v.field, v.fromDevice, v.fromChannel, range->lower);
            changed = true;
        }
    }
    if (!SettingCheck::check(image).isEmpty()) qFatal("the file still holds a value that cannot be sent");
    return image;
}
