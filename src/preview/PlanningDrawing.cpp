// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlanningDrawing.h"

#include <QFontMetrics>
#include <QPainter>

using namespace planning;

namespace {
const int kScaleY = 20;
const int kTextTop = 5;

// Text placed by its top-left corner, never clipped by the rectangle it is laid out in.
void drawTextAt(QPainter &painter, int x, int y, const QString &text) {
    painter.drawText(QRect(x, y, 1, 1), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
}
} // namespace

const std::array<QColor, kMaxProjectors> &PlanningDrawing::projectorColours() {
    static const std::array<QColor, kMaxProjectors> colours{
        QColor(255, 255, 0), QColor(255, 0, 0),   QColor(0, 0, 255),   QColor(0, 255, 0),
        QColor(255, 0, 255), QColor(0, 255, 255), QColor(128, 0, 128), QColor(0, 128, 128)};
    return colours;
}

QImage PlanningDrawing::drawFrames(const Wall &wall, QList<FrameRect> *placed) {
    QImage image(kFramesWidth, kFramesHeight, QImage::Format_RGB32);
    image.fill(background());
    const QList<FrameRect> frames = projectorFrames(wall.projectors, wall.overlapEdit, wall.projectorResH);
    if (placed) *placed = frames;
    QPainter painter(&image);
    // Right to left, so that where frames overlap the lower projector number is on top.
    for (int k = int(frames.size()); k >= 1; --k) {
        const FrameRect &f = frames[k - 1];
        painter.setPen(projectorColours()[k - 1]);
        painter.drawRect(f.left, f.top, f.right - f.left - 1, f.bottom - f.top - 1);
    }
    return image;
}

QImage PlanningDrawing::drawPlacement(const Wall &wall) {
    QImage image(kPlacementWidth, kPlacementHeight, QImage::Format_RGB32);
    image.fill(background());
    QPainter painter(&image);
    const QFontMetrics metrics(painter.font());
    painter.setPen(Qt::black);
    painter.drawLine(5, kScaleY, kPlacementWidth - 10, kScaleY);
    drawTextAt(painter, 3, kTextTop, QStringLiteral("0"));

    const QList<PlacementMarker> markers =
        placementMarkers(wall.projectors, wall.projectorResH, wall.overlapPixels, wall.imageWidth,
                         wall.screenWidth, kPlacementWidth);
    painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
    int lastTextRight = 0;
    for (int p = 1; p <= int(markers.size()); ++p) {
        const int x = markers[p - 1].x;
        painter.drawLine(x, kScaleY, x, kPlacementHeight);
        drawTextAt(painter, x - 8, kPlacementHeight - 15, QStringLiteral("Proj %1").arg(p));
        const QString position = formatGeneral(markers[p - 1].position, 3);
        drawTextAt(painter, x - 8, kTextTop, position);
        lastTextRight = x - 8 + metrics.horizontalAdvance(position);
    }

    // The right end of the scale: kept inside the picture, and moved below the line where the last
    // centre's position already takes its place.
    painter.setPen(Qt::black);
    const int endWidth = metrics.horizontalAdvance(wall.screenWidthText);
    const int endX = qMin(kPlacementWidth - 20, kPlacementWidth - 2 - endWidth);
    const int endY = lastTextRight + 8 > endX ? kScaleY + 3 : kTextTop;
    drawTextAt(painter, endX, endY, wall.screenWidthText);
    return image;
}
