// SPDX-License-Identifier: GPL-3.0-or-later
#include "BlendPicture.h"

#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>
#include <functional>

using blend::BlendWall;
using blend::Edge;

namespace {

constexpr int kLeftMargin = 78;
constexpr int kRightMargin = 16;

void textAt(QPainter &painter, int x, int y, const QString &text, Qt::Alignment align = Qt::AlignLeft) {
    painter.drawText(QRect(x, y, 1, 1), align | Qt::AlignTop | Qt::TextDontClip, text);
}

QString number(double value) {
    return planning::formatGeneral(value, 3);
}

// A blend zone or halo of one edge: [from, to) in image pixels, inside the projector's slice.
void zone(const blend::Projector &proj, bool left, double inset, double width, double *from, double *to) {
    if (left) {
        *from = proj.slice.start + inset;
        *to = *from + width;
    } else {
        *to = proj.slice.end - inset;
        *from = *to - width;
    }
    *from = std::clamp(*from, proj.slice.start, proj.slice.end);
    *to = std::clamp(*to, proj.slice.start, proj.slice.end);
}

void paintBars(QPainter &painter, const BlendWall &wall, const BlendPicture::Layout &l) {
    painter.setPen(Qt::black);
    textAt(painter, 4, l.bars.top() - 16, QStringLiteral("Slices, blend zones (hatched), halos (red)"));
    for (int p = 0; p < wall.projectors.size(); ++p) {
        const blend::Projector &proj = wall.projectors[p];
        const int top = l.rowTop(p);
        const int x0 = l.xOf(proj.slice.start);
        const int x1 = l.xOf(proj.slice.end);
        QColor fill = BlendPicture::projectorColour(p);
        painter.fillRect(QRect(x0, top, x1 - x0, l.rowHeight), fill);
        for (bool left : {true, false}) {
            const Edge &edge = left ? proj.left : proj.right;
            double from = 0, to = 0;
            if (edge.enabled && edge.width > 0) {
                zone(proj, left, edge.offset, edge.width, &from, &to);
                painter.fillRect(QRectF(l.xOf(from), top, l.xOf(to) - l.xOf(from), l.rowHeight),
                                 QBrush(Qt::black, Qt::BDiagPattern));
            }
            if (edge.haloWidth > 0) {
                zone(proj, left, 0, edge.haloWidth, &from, &to);
                const int hx0 = l.xOf(from);
                const int hx1 = std::max(l.xOf(to), hx0 + 2);
                painter.fillRect(QRect(hx0, top + l.rowHeight - 5, hx1 - hx0, 5), QColor(220, 0, 0));
            }
        }
        painter.setPen(Qt::black);
        painter.drawRect(QRect(x0, top, x1 - x0 - 1, l.rowHeight - 1));
        textAt(painter, 4, top + 2, QStringLiteral("Screen %1").arg(proj.screen));
        const QString inside = QStringLiteral("black %1 · %2%3")
                                   .arg(proj.blackLevel)
                                   .arg(proj.advanced ? QStringLiteral("advanced") : QStringLiteral("basic"))
                                   .arg(proj.curve == blend::Curve::Linear ? QStringLiteral(", linear")
                                                                           : QStringLiteral(", S-curve"));
        painter.setPen(Qt::black);
        painter.fillRect(QRect((x0 + x1) / 2 - 70, top + 2, 140, l.rowHeight - 9),
                         QColor(255, 255, 255, 200));
        textAt(painter, (x0 + x1) / 2, top + 2, inside, Qt::AlignHCenter);
    }
}

void paintAxes(QPainter &painter, const QRect &area, const QString &title, double top, double step,
               const BlendPicture::Layout &l, bool ramps) {
    painter.setPen(Qt::black);
    textAt(painter, 4, area.top() - 16, title);
    painter.setPen(QColor(160, 160, 160));
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    for (double v = 0; v <= top + 1e-9; v += step) {
        const int y = ramps ? l.rampY(v) : l.lightY(v);
        painter.setPen(QColor(160, 160, 160));
        textAt(painter, area.left() - 6, y - 7, number(v), Qt::AlignRight);
    }
}

void paintCurve(QPainter &painter, const BlendPicture::Layout &l, int x0, int x1,
                const std::function<double(double)> &value, const std::function<int(double)> &toY) {
    QPainterPath path;
    for (int x = x0; x <= x1; ++x) {
        const double imageX = (x - l.bars.left() + 0.5) * l.imageWidth / l.bars.width();
        const QPointF point(x, toY(value(imageX)));
        if (x == x0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    painter.drawPath(path);
}

double summedAt(const BlendWall &wall, double imageX) {
    const int i = std::clamp(int(std::floor(imageX)), 0, int(wall.light.size()) - 1);
    return wall.light[size_t(i)];
}

void paintRamps(QPainter &painter, const BlendWall &wall, const BlendPicture::Layout &l) {
    paintAxes(painter, l.ramps, QStringLiteral("Each projector's light across its slice (its feather ramps)"),
              1, 0.5, l, true);
    painter.setRenderHint(QPainter::Antialiasing, true);
    for (int p = 0; p < wall.projectors.size(); ++p) {
        const blend::Projector &proj = wall.projectors[p];
        painter.setPen(QPen(BlendPicture::projectorColour(p).darker(130), 2));
        paintCurve(
            painter, l, l.xOf(proj.slice.start), l.xOf(proj.slice.end) - 1,
            [&](double x) { return wall.projectorLight(p, x); }, [&](double v) { return l.rampY(v); });
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
}

void paintLight(QPainter &painter, const BlendWall &wall, const BlendPicture::Layout &l) {
    paintAxes(painter, l.light,
              QStringLiteral("Light summed across the wall (1 = one projector at full white)"), 2, 0.5, l,
              false);
    // Where the sum leaves 1: red above, blue below.
    for (int x = l.bars.left(); x < l.bars.right(); ++x) {
        const double v = summedAt(wall, (x - l.bars.left() + 0.5) * l.imageWidth / l.bars.width());
        if (std::abs(v - 1) <= 0.02) continue;
        const int y1 = l.lightY(1);
        const int yv = l.lightY(std::min(v, BlendPicture::Layout::kLightTop));
        painter.fillRect(QRect(x, std::min(y1, yv), 1, std::abs(y1 - yv)),
                         v > 1 ? QColor(255, 170, 170) : QColor(170, 190, 255));
    }
    painter.setPen(QPen(QColor(120, 120, 120), 1, Qt::DashLine));
    painter.drawLine(l.light.left(), l.lightY(1), l.light.right(), l.lightY(1));
    for (const blend::Seam &seam : wall.seams) {
        for (double x : {seam.start, seam.end})
            painter.drawLine(l.xOf(x), l.light.top(), l.xOf(x), l.light.bottom());
        painter.setPen(Qt::black);
        textAt(painter, l.xOf((seam.start + seam.end) / 2), l.light.top() + 2,
               QStringLiteral("seam %1|%2").arg(seam.left).arg(seam.left + 1), Qt::AlignHCenter);
        painter.setPen(QPen(QColor(120, 120, 120), 1, Qt::DashLine));
    }
    painter.setPen(QPen(BlendPicture::sumColour(), 2));
    paintCurve(
        painter, l, l.bars.left(), l.bars.right(), [&](double x) { return summedAt(wall, x); },
        [&](double v) { return l.lightY(std::min(v, BlendPicture::Layout::kLightTop)); });
}

} // namespace

int BlendPicture::Layout::xOf(double imageX) const {
    if (!(imageWidth > 0)) return bars.left();
    return bars.left() + int(std::lround(imageX * bars.width() / imageWidth));
}

int BlendPicture::Layout::rowTop(int projector) const {
    return bars.top() + projector * (rowHeight + 3);
}

int BlendPicture::Layout::rampY(double v) const {
    return ramps.bottom() - int(std::lround(v * (ramps.height() - 9)));
}

int BlendPicture::Layout::lightY(double v) const {
    return light.bottom() - int(std::lround(v * (light.height() - 1) / kLightTop));
}

namespace {
constexpr int kTitleHeight = 46;
constexpr int kChartGap = 24;
constexpr int kNotesHeight = 64;
constexpr int kMinRamps = 60;
constexpr int kMinLight = 80;
} // namespace

int BlendPicture::minimumHeight(const BlendWall &wall, bool withNotes) {
    const Layout l = layout(wall, QSize(kDefaultSize.width(), 0), withNotes);
    return l.bars.bottom() + 2 * kChartGap + kMinRamps + kMinLight + (withNotes ? kNotesHeight + 6 : 6);
}

BlendPicture::Layout BlendPicture::layout(const BlendWall &wall, QSize size, bool withNotes) {
    Layout l;
    const int width = size.width() - kLeftMargin - kRightMargin;
    l.imageWidth = wall.imageWidth;
    l.rowHeight = 20;
    l.title = QRect(0, 0, size.width(), 24);
    const int rows = std::max(1, int(wall.projectors.size()));
    l.bars = QRect(kLeftMargin, kTitleHeight, width, rows * (l.rowHeight + 3));
    const int notesHeight = withNotes ? kNotesHeight : 0;
    const int rest = size.height() - l.bars.bottom() - notesHeight - 2 * kChartGap - 6;
    const int rampHeight = std::max(kMinRamps, rest * 2 / 5);
    l.ramps = QRect(kLeftMargin, l.bars.bottom() + kChartGap, width, rampHeight);
    l.light = QRect(kLeftMargin, l.ramps.bottom() + kChartGap, width, std::max(kMinLight, rest - rampHeight));
    if (withNotes) l.notes = QRect(4, l.light.bottom() + 6, size.width() - 8, notesHeight);
    return l;
}

QColor BlendPicture::projectorColour(int index) {
    static const QColor colours[] = {QColor(255, 224, 102), QColor(255, 140, 140), QColor(130, 160, 255),
                                     QColor(130, 220, 130), QColor(240, 140, 240), QColor(120, 220, 220),
                                     QColor(190, 150, 210), QColor(120, 190, 170)};
    return colours[std::clamp(index, 0, 7)];
}

QStringList BlendPicture::modelNotes(double projectorGamma) {
    return {
        QStringLiteral("Model, not a measurement: every projector shows full white; its light is its feather "
                       "ramp raised to projector gamma %1 / edge gamma.")
            .arg(number(projectorGamma)),
        QStringLiteral("Ramps start at the edge's offset and rise over its width: S-curve 3t²-2t³, linear t. "
                       "Basic mode feathers every seam over the overlap width."),
        QStringLiteral(
            "Matching ramps sum to 1 across a seam; halos and black levels are shown as set and do "
            "not enter the sum."),
    };
}

void BlendPicture::paint(QPainter &painter, const BlendWall &wall, QSize size, bool withNotes) {
    painter.fillRect(QRect(QPoint(0, 0), size), background());
    painter.setPen(Qt::black);
    const Layout l = layout(wall, size, withNotes);
    if (wall.empty()) {
        textAt(painter, 8, 8,
               QStringLiteral("No wall to preview: plan the wall on the Planning page, read the devices or "
                              "open a configuration file."));
        return;
    }
    QFont bold = painter.font();
    bold.setBold(true);
    painter.save();
    painter.setFont(bold);
    textAt(painter, 4, 4,
           QStringLiteral("%1 projector(s), %2 pixels each, overlap %3, image %4 pixels wide")
               .arg(wall.projectors.size())
               .arg(number(wall.input.projectorWidth))
               .arg(number(wall.input.overlap))
               .arg(number(wall.imageWidth)));
    painter.restore();
    paintBars(painter, wall, l);
    paintRamps(painter, wall, l);
    paintLight(painter, wall, l);
    if (!withNotes) return;
    painter.setPen(Qt::black);
    int y = l.notes.top();
    for (const QString &line : modelNotes(wall.input.projectorGamma)) {
        textAt(painter, l.notes.left(), y, line);
        y += 17;
    }
}

QImage BlendPicture::render(const BlendWall &wall, QSize size, bool withNotes) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    paint(painter, wall, size, withNotes);
    return image;
}

bool BlendPicture::save(const BlendWall &wall, const QString &path, QString *error) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("svg")) {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            *error = file.errorString();
            return false;
        }
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(kDefaultSize);
        svg.setViewBox(QRect(QPoint(0, 0), kDefaultSize));
        svg.setTitle(QStringLiteral("Blend preview"));
        {
            QPainter painter(&svg);
            paint(painter, wall, kDefaultSize);
        }
        if (!file.commit()) {
            *error = file.errorString();
            return false;
        }
        return true;
    }
    if (suffix != QLatin1String("png")) {
        *error = QStringLiteral("the picture is written as .png or .svg");
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    if (!render(wall).save(&file, "PNG") || !file.commit()) {
        *error = file.errorString().isEmpty() ? QStringLiteral("the picture could not be written")
                                              : file.errorString();
        return false;
    }
    return true;
}
