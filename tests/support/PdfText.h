// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QString>

// The text of a PDF as poppler's pdftotext lays it out (-layout: a table's row on one line), or why there
// is none. scripts/setup installs pdftotext (poppler-utils); a machine without it fails the test that
// asks, naming what is missing, rather than passing it unread.
inline QString pdfText(const QString &pdf, QString *problem) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty()) {
        *problem = QStringLiteral("pdftotext is not installed (poppler-utils; scripts/setup installs it)");
        return {};
    }
    QProcess process;
    process.start(tool, {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        *problem = QStringLiteral("pdftotext failed on %1: %2")
                       .arg(pdf, QString::fromUtf8(process.readAllStandardError()));
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}
