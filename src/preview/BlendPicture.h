// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BlendCheck.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

class QPainter;

// The blend preview's picture, drawn whole on every call: one bar per projector over the image with
// its blend zones, halos and black level; every projector's light across its slice (its feather
// ramps); the light summed across the wall with the seams marked; and the light model in words.
class BlendPicture {
public:
    static constexpr QSize kDefaultSize{960, 560};

    // Where the picture puts things, for the painter and for anyone who looks at the pixels.
    struct Layout {
        QRect title;
        QRect bars;  // one row per projector
        QRect ramps; // each projector's light, 0 to 1
        QRect light; // the summed light, 0 to kLightTop
        QRect notes;
        double imageWidth = 0;
        int rowHeight = 0;
        static constexpr double kLightTop = 2.5;
        // The picture's x for an image position, and the rows' and the charts' y.
        int xOf(double imageX) const;
        int rowTop(int projector) const; // projector index 0..7
        int rampY(double light) const;
        int lightY(double light) const;
    };
    // withNotes: the light model in words under the charts (the page says it beside the picture).
    static Layout layout(const blend::BlendWall &wall, QSize size = kDefaultSize, bool withNotes = true);
    // The smallest height that fits the charts of the wall's projectors.
    static int minimumHeight(const blend::BlendWall &wall, bool withNotes);

    // Projector k's (0..7) colour.
    static QColor projectorColour(int index);
    static QColor background() { return Qt::white; }
    static QColor sumColour() { return Qt::black; }

    // The light model the picture follows, one line per assumption.
    static QStringList modelNotes(double projectorGamma);

    static void paint(QPainter &painter, const blend::BlendWall &wall, QSize size = kDefaultSize,
                      bool withNotes = true);
    static QImage render(const blend::BlendWall &wall, QSize size = kDefaultSize, bool withNotes = true);
    // Writes the picture to a .png or .svg file (by its name's ending); false with the reason.
    static bool save(const blend::BlendWall &wall, const QString &path, QString *error);
};
