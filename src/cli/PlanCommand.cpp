// SPDX-License-Identifier: GPL-3.0-or-later
// lumivane-cli plan: the Planning page's calculation as text or JSON.
#include "CliCommands.h"
#include "CliOptions.h"
#include "ExitStatus.h"
#include "FieldListing.h"
#include "WallPlan.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

using namespace planning;

namespace {

QStringList noteLines(const QString &notes) {
    QStringList lines = notes.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.constLast().isEmpty()) lines.removeLast();
    return lines;
}

QString planText(const WallPlan &plan, const CliOptions &o) {
    QString text;
    auto row = [&text](const char *label, const QString &value) {
        text += QStringLiteral("%1 %2\n").arg(QLatin1String(label), -28).arg(value);
    };
    row("Output screen size:",
        QStringLiteral("%1 x %2").arg(plan.screenWidthText(), formatNumber(plan.screenHeight)));
    row("Projector resolution:", QStringLiteral("%1x%2").arg(o.resolutionWidth).arg(o.resolutionHeight));
    row("Output aspect ratio:", QStringLiteral("%1 : 1").arg(plan.aspectText()));
    QString projectors = QString::number(plan.projectors);
    if (plan.projectors != plan.neededProjectors)
        projectors += QStringLiteral(" (chosen; the screen needs %1)").arg(plan.neededProjectors);
    row("Number of projectors:", projectors);
    row("Kestrix devices required:", QString::number(plan.devices));
    row("Input material alignment:",
        o.centred ? QStringLiteral("Centered") : QStringLiteral("Left Justified"));
    row("Projector overlap:",
        plan.projectors > 1
            ? QStringLiteral("%1 pixels (at most %2)").arg(plan.overlap).arg(plan.maxOverlapWidth)
            : QStringLiteral("none (one projector)"));
    row("Input image size required:",
        QStringLiteral("%1 x %2").arg(formatNumber(plan.imageWidth), formatNumber(plan.imageHeight)));
    if (plan.imageWidthChanged)
        text += QStringLiteral(
            "Note: the overlap limits changed the image width; the screen width follows it.\n");
    text += QStringLiteral("\nProjector  Image slice (start - end)\n");
    for (int p = 1; p <= plan.slices.count; ++p)
        text += QStringLiteral("%1  %2 - %3\n")
                    .arg(p, 9)
                    .arg(formatNumber(plan.slices.slices[p - 1].start),
                         formatNumber(plan.slices.slices[p - 1].end));
    text += QStringLiteral("\nImage content creation requirement:\n");
    for (const QString &line : noteLines(plan.notes))
        text += line + QLatin1Char('\n');
    return text;
}

QJsonObject planJson(const WallPlan &plan, const CliOptions &o) {
    QJsonArray slices;
    for (int p = 1; p <= plan.slices.count; ++p)
        slices.append(QJsonObject{{QStringLiteral("projector"), p},
                                  {QStringLiteral("start"), plan.slices.slices[p - 1].start},
                                  {QStringLiteral("end"), plan.slices.slices[p - 1].end}});
    QJsonArray notes;
    for (const QString &line : noteLines(plan.notes))
        notes.append(line);
    return QJsonObject{
        {QStringLiteral("format"), kJsonFormat},
        {QStringLiteral("screenWidth"), plan.screenWidth},
        {QStringLiteral("screenHeight"), plan.screenHeight},
        {QStringLiteral("projectorWidth"), o.resolutionWidth},
        {QStringLiteral("projectorHeight"), o.resolutionHeight},
        {QStringLiteral("aspectRatio"), plan.aspect},
        {QStringLiteral("aspectRatioText"), plan.aspectText()},
        {QStringLiteral("projectors"), plan.projectors},
        {QStringLiteral("projectorsNeeded"), plan.neededProjectors},
        {QStringLiteral("devices"), plan.devices},
        {QStringLiteral("alignment"), o.centred ? QStringLiteral("center") : QStringLiteral("left")},
        {QStringLiteral("overlap"), plan.overlap},
        {QStringLiteral("maxOverlap"), plan.maxOverlapWidth},
        {QStringLiteral("imageWidth"), plan.imageWidth},
        {QStringLiteral("imageHeight"), plan.imageHeight},
        {QStringLiteral("imageWidthChanged"), plan.imageWidthChanged},
        {QStringLiteral("slices"), slices},
        {QStringLiteral("notes"), notes},
    };
}

} // namespace

int runPlan(const CliOptions &o, const CliStreams &streams) {
    WallPlanRequest request;
    request.screenWidth = o.screenWidth;
    request.screenHeight = o.screenHeight;
    request.projectorResH = o.resolutionWidth;
    request.projectorResV = o.resolutionHeight;
    request.projectors = o.projectors;
    request.centred = o.centred;
    const WallPlan plan = planWall(request);
    if (!plan.ok()) {
        QString text = QStringLiteral("lumivane-cli: %1\n").arg(plan.message);
        if (plan.outcome == WallPlan::Outcome::CentredEight)
            text += QStringLiteral("Eight projectors need --align left.\n");
        writeText(streams.err, text);
        return ExitStatus::Usage;
    }
    if (o.json)
        writeText(streams.out,
                  QString::fromUtf8(QJsonDocument(planJson(plan, o)).toJson(QJsonDocument::Indented)));
    else
        writeText(streams.out, planText(plan, o));
    return ExitStatus::Ok;
}
