// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommissioningReport.h"

#include "BlendPicture.h"
#include "ConfigFile.h"
#include "DeviceModel.h"
#include "ModelAccessors.h"
#include "ModelFields.h"
#include "OutputInfo.h"
#include "PlanningDrawing.h"
#include "PlanningMath.h"
#include "SettingCheck.h"

#include <QFileDevice>
#include <QFont>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <QUrl>

#include <cmath>
#include <cstring>

namespace report {
namespace {

// Picture widths in the document's units (about a 96 dpi pixel), to fit an A4 page's text width.
constexpr int kPictureWidth = 600;

const char *const kFramesUrl = "lumivane:frames";
const char *const kPlacementUrl = "lumivane:placement";
const char *const kBlendUrl = "lumivane:blend";

QString esc(const QString &text) {
    return text.toHtmlEscaped();
}

QString number(double v) {
    return planning::formatNumber(v);
}

QString row(const QStringList &cells, bool header = false) {
    const char *tag = header ? "th" : "td";
    QString html = QStringLiteral("<tr>");
    for (const QString &c : cells)
        html += QStringLiteral("<%1>%2</%1>").arg(QLatin1String(tag), esc(c));
    return html + QStringLiteral("</tr>\n");
}

QString table(const QList<QStringList> &rows) {
    QString html = QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"2\">\n");
    for (int r = 0; r < rows.size(); ++r)
        html += row(rows[r], r == 0);
    return html + QStringLiteral("</table>\n");
}

PlanningDrawing::Wall drawingWall(const Plan &plan) {
    PlanningDrawing::Wall wall;
    wall.projectors = plan.projectors;
    wall.overlapEdit = plan.overlap;
    wall.projectorResH = plan.projectorWidth;
    wall.overlapPixels = plan.overlapPixels;
    wall.imageWidth = plan.imageWidth;
    wall.screenWidth = plan.screenWidth;
    wall.screenWidthText = planning::formatGeneral(plan.screenWidth, 5);
    return wall;
}

// Where the blend preview's wall differs from the plan's slices (an overlap typed below the planned
// one, the preview's own count), in words; empty when they agree.
QString blendLayoutNote(const Plan &plan, const blend::BlendWall &wall) {
    if (wall.empty() || plan.projectors <= 0) return {};
    const blend::BlendInput &in = wall.input;
    if (in.projectors == plan.projectors && in.projectorWidth == plan.projectorWidth &&
        in.overlap == plan.overlap)
        return {};
    return QStringLiteral("The blend preview below lays the wall out as %1 projector(s) of %2 pixels "
                          "overlapping by the planned %3 pixels, ending at %4.")
        .arg(in.projectors)
        .arg(number(in.projectorWidth), number(in.overlap), number(wall.imageWidth));
}

QString planSection(const Plan &plan, const blend::BlendWall &wall) {
    QString html = QStringLiteral("<h2>The plan</h2>\n");
    const planning::SliceLayout layout = slices(plan);
    html += table({{QStringLiteral("Planned"), QStringLiteral("Value")},
                   {QStringLiteral("Output screen size"),
                    QStringLiteral("%1 x %2").arg(planning::formatGeneral(plan.screenWidth, 5),
                                                  planning::formatGeneral(plan.screenHeight, 5))},
                   {QStringLiteral("Projector resolution"),
                    QStringLiteral("%1x%2").arg(plan.projectorResH).arg(plan.projectorResV)},
                   {QStringLiteral("Number of projectors"), QString::number(plan.projectors)},
                   {QStringLiteral("Kestrix devices required"),
                    QString::number(planning::devicesNeeded(plan.projectors))},
                   {QStringLiteral("Input material alignment"),
                    plan.centred ? QStringLiteral("Centered") : QStringLiteral("Left")},
                   {QStringLiteral("Projector overlap"), QStringLiteral("%1 pixels").arg(plan.overlap)},
                   {QStringLiteral("Input image size"),
                    QStringLiteral("%1 x %2").arg(number(plan.imageWidth), number(plan.imageHeight))}});
    QList<QStringList> sliceRows{{QStringLiteral("Projector"), QStringLiteral("Image slice start"),
                                  QStringLiteral("Image slice end")}};
    for (int p = 1; p <= layout.count; ++p)
        sliceRows.append(
            {QString::number(p), number(layout.slices[p - 1].start), number(layout.slices[p - 1].end)});
    html += QStringLiteral("<h3>Each projector's slice of the input image</h3>\n");
    if (layout.count == 0) {
        html += QStringLiteral("<p>No slices: the plan has no valid projector count.</p>\n");
    } else {
        html += QStringLiteral("<p>In pixels from the left edge of the input image, which is %1 pixels wide; "
                               "the alignment of the source material does not move them.</p>\n")
                    .arg(number(layout.imageWidth)) +
                table(sliceRows);
        const QString note = blendLayoutNote(plan, wall);
        if (!note.isEmpty()) html += QStringLiteral("<p>%1</p>\n").arg(esc(note));
    }
    html += QStringLiteral("<h3>Planning drawings</h3>\n<p><img src=\"%1\" width=\"%3\"></p>\n"
                           "<p><img src=\"%2\" width=\"%4\"></p>\n")
                .arg(QLatin1String(kFramesUrl), QLatin1String(kPlacementUrl))
                .arg(kPictureWidth)
                .arg(kPictureWidth * PlanningDrawing::kPlacementWidth / PlanningDrawing::kFramesWidth);
    return html;
}

// The value a record holds, or "not reported" for a halo or feathering width its record form does not
// carry. A record that holds nothing at all (never read, loaded or set) shows its zeros as they are.
QString valueText(const QByteArray &image, const ModelFields::Field &field, int device, int channel) {
    if (field.record == ModelFields::Record::Output && !SettingCheck::holds(image, field, device, channel)) {
        OutputInfo out{};
        std::memcpy(&out, image.constData() + ConfigFile::outputRecordOffset(device, channel), sizeof out);
        if (!holdsNoChannelValues(out)) return QStringLiteral("not reported");
    }
    return ModelFields::text(image, field, device, channel);
}

int channelOf(int screen) {
    return (screen - 1) % planning::kProjectorsPerDevice + 1;
}

QString settingsTable(const QByteArray &image, int device, const QList<int> &screens,
                      ModelFields::Record record) {
    QStringList header{record == ModelFields::Record::Input ? QStringLiteral("Input setting")
                                                            : QStringLiteral("Output setting")};
    for (int screen : screens)
        header << QStringLiteral("Ch %1 (screen %2)").arg(channelOf(screen)).arg(screen);
    QList<QStringList> rows{header};
    for (const ModelFields::Field &field : ModelFields::all()) {
        if (field.record != record) continue;
        QStringList cells{QLatin1String(field.name)};
        for (int screen : screens)
            cells << valueText(image, field, device, channelOf(screen));
        rows.append(cells);
    }
    return table(rows);
}

QString deviceSection(const Source &source, int device) {
    const QList<int> screens = screensInUse(source.plan, device);
    QList<int> channels;
    for (int screen : screens)
        channels << channelOf(screen);
    const DeviceInfo &info = source.info[device];
    const QString id = !source.idsKnown ? QStringLiteral("not known (not read from a device)")
                       : info.id > 0    ? QString::number(info.id)
                                        : QStringLiteral("none (connected directly)");
    const QString version = !info.version.isEmpty() ? info.version
                            : source.versionsKnown  ? QStringLiteral("not reported")
                                                    : QStringLiteral("not known (not read from a device)");
    QString html = QStringLiteral("<h2>Kestrix %1</h2>\n").arg(device);
    html += table(
        {{QStringLiteral("Kestrix %1").arg(device), QStringLiteral("Value")},
         {QStringLiteral("RS-485 ID"), id},
         {QStringLiteral("Version"), version},
         {QStringLiteral("Output record form"),
          screens.isEmpty() ? QStringLiteral("not listed") : recordForm(source.image, device, channels)}});
    if (screens.isEmpty())
        return html +
               QStringLiteral("<p>No screen of the planned wall of %1 projector(s) is on Kestrix %2: its "
                              "settings are not listed.</p>\n")
                   .arg(source.plan.projectors)
                   .arg(device);
    html +=
        QStringLiteral("<p></p>") + settingsTable(source.image, device, screens, ModelFields::Record::Input);
    html +=
        QStringLiteral("<p></p>") + settingsTable(source.image, device, screens, ModelFields::Record::Output);
    return html;
}

QString findingsSection(const blend::BlendWall &wall) {
    QString html = QStringLiteral("<h2>Consistency findings</h2>\n");
    if (wall.empty())
        html += QStringLiteral("<p>The settings describe no wall to check.</p>\n");
    else if (wall.findings.isEmpty())
        html += QStringLiteral("<p>No findings: the blending settings of the %1 projector(s) agree.</p>\n")
                    .arg(wall.input.projectors);
    else {
        html += QStringLiteral("<ul>\n");
        for (const blend::Finding &f : wall.findings)
            html += QStringLiteral("<li>%1</li>\n").arg(esc(f.text));
        html += QStringLiteral("</ul>\n");
    }
    html += QStringLiteral("<h3>Blend preview</h3>\n");
    if (wall.empty()) return html + QStringLiteral("<p>No picture: there is no wall.</p>\n");
    const QSize size = BlendPicture::kDefaultSize;
    html += QStringLiteral("<p><img src=\"%1\" width=\"%2\" height=\"%3\"></p>\n")
                .arg(QLatin1String(kBlendUrl))
                .arg(kPictureWidth)
                .arg(kPictureWidth * size.height() / size.width());
    return html;
}

} // namespace

Plan planFromRecords(DeviceModel &model) {
    UpdateDefaultSourceSize(model);
    const OutputInfo &sys = model.output(1, 1);
    const WindowState &state = model.state();
    Plan plan;
    plan.projectors = sys.TotalProjectors;
    plan.centred = sys.Justification == 1;
    plan.overlap = sys.OverlapWidth;
    plan.projectorResH = state.DefaultSourceWidth;
    plan.projectorResV = state.DefaultSourceHeight;
    plan.projectorWidth = SourceWidth(model);
    plan.screenHeight = 10;
    plan.imageHeight = plan.projectorResV;
    if (planning::isValidProjectorCount(plan.projectors)) {
        const planning::DeviceLayout layout = planning::layoutFromDevices(
            plan.projectors, SourceWidth(model), SourceHeight(model), sys.OverlapWidth);
        plan.imageWidth = layout.imageWidth;
        plan.screenWidth = layout.screenWidth;
        plan.overlapPixels = layout.overlap;
    }
    return plan;
}

planning::SliceLayout slices(const Plan &plan) {
    return planning::screenOffsets(plan.projectors, plan.projectorWidth, plan.overlap, false);
}

QList<int> screensInUse(const Plan &plan, int device) {
    const int n =
        planning::isValidProjectorCount(plan.projectors) ? plan.projectors : planning::kMaxProjectors;
    QList<int> screens;
    for (int c = 1; c <= planning::kProjectorsPerDevice; ++c) {
        const int screen = (device - 1) * planning::kProjectorsPerDevice + c;
        if (screen <= n) screens << screen;
    }
    return screens;
}

int devicesIn(const QByteArray &image) {
    DeviceModel model;
    model.applyImage(image);
    if (model.output(1, 1).TotalProjectors > 4) return 2;
    for (int c = 1; c <= 4; ++c) {
        static const OutputInfo zeroOut{};
        static const InputInfo zeroIn{};
        if (std::memcmp(&model.output(2, c), &zeroOut, sizeof zeroOut) != 0 ||
            std::memcmp(&model.input(2, c), &zeroIn, sizeof zeroIn) != 0)
            return 2;
    }
    return 1;
}

QString recordForm(const QByteArray &image, int device, const QList<int> &channels) {
    const QList<int> listed = channels.isEmpty() ? QList<int>{1, 2, 3, 4} : channels;
    QStringList forms;
    for (int c : listed) {
        OutputInfo out{};
        std::memcpy(&out, image.constData() + ConfigFile::outputRecordOffset(device, c), sizeof out);
        QString form;
        const bool halos = OutputHeld::holds(out, OutputHeld::LeftHalo | OutputHeld::RightHalo);
        const bool widths = OutputHeld::holds(out, OutputHeld::LeftFeather | OutputHeld::RightFeather);
        if ((out.Held & OutputHeld::Tracked) == 0)
            form = QStringLiteral("not tracked: every value counts as held");
        else if (halos && widths)
            form = QStringLiteral("halos and feathering widths both held");
        else if (widths)
            form = QStringLiteral("long: feathering widths and offsets, no halos");
        else if (halos)
            form = QStringLiteral("short: halos, no feathering widths and offsets");
        else
            form = QStringLiteral("neither halos nor feathering widths held");
        forms << form;
    }
    if (forms.count(forms.constFirst()) == forms.size()) return forms.constFirst();
    QStringList perChannel;
    for (int i = 0; i < listed.size(); ++i)
        perChannel << QStringLiteral("channel %1 %2").arg(listed[i]).arg(forms[i]);
    return perChannel.join(QStringLiteral("; "));
}

QString html(const Source &source) {
    QString html = QStringLiteral("<html><body>\n<h1>Lumivane commissioning report</h1>\n");
    html += table({{QStringLiteral("Report"), QStringLiteral("Value")},
                   {QStringLiteral("Date"), source.written.toString(QStringLiteral("yyyy-MM-dd HH:mm"))},
                   {QStringLiteral("Settings from"), source.origin},
                   {QStringLiteral("Kestrix devices listed"), QString::number(source.devices)}});
    html += QStringLiteral("<h2>Site note</h2>\n<p>%1</p>\n")
                .arg(source.siteNote.trimmed().isEmpty()
                         ? QStringLiteral("(none)")
                         : esc(source.siteNote).replace(QLatin1Char('\n'), QStringLiteral("<br>")));
    const blend::BlendWall wall = blend::analyse(source.blend);
    html += planSection(source.plan, wall);
    for (int d = 1; d <= source.devices; ++d)
        html += deviceSection(source, d);
    html += findingsSection(wall);
    html += QStringLiteral("<h2>Link</h2>\n<ul>\n");
    for (const QString &line : source.link)
        html += QStringLiteral("<li>%1</li>\n").arg(esc(line));
    return html + QStringLiteral("</ul>\n</body></html>\n");
}

bool writePdf(const Source &source, QIODevice &out, QString *error) {
    QTextDocument document;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(7.5);
    // Without ligatures: a reader who searches or copies the text finds "Offset", not a glyph for "ff".
    font.setStyleStrategy(QFont::PreferNoShaping);
    document.setDefaultFont(font);
    document.setDefaultStyleSheet(QStringLiteral("th { background-color: #dddddd; text-align: left; }"));
    const PlanningDrawing::Wall wall = drawingWall(source.plan);
    document.addResource(QTextDocument::ImageResource, QUrl(QLatin1String(kFramesUrl)),
                         PlanningDrawing::drawFrames(wall));
    document.addResource(QTextDocument::ImageResource, QUrl(QLatin1String(kPlacementUrl)),
                         PlanningDrawing::drawPlacement(wall));
    const blend::BlendWall blendWall = blend::analyse(source.blend);
    if (!blendWall.empty())
        document.addResource(QTextDocument::ImageResource, QUrl(QLatin1String(kBlendUrl)),
                             BlendPicture::render(blendWall));
    document.setHtml(html(source));

    QPdfWriter writer(&out);
    writer.setTitle(QStringLiteral("Lumivane commissioning report"));
    writer.setCreator(QStringLiteral("Lumivane " LUMIVANE_VERSION));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
    document.print(&writer);
    // A write the device refused (a full disk) leaves its error on the file.
    const auto *file = qobject_cast<QFileDevice *>(&out);
    if (file && file->error() != QFileDevice::NoError) {
        if (error) *error = file->errorString();
        return false;
    }
    return true;
}

bool writePdf(const Source &source, const QString &path, QString *error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) *error = file.errorString();
        return false;
    }
    if (!writePdf(source, file, error)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace report
