// SPDX-License-Identifier: GPL-3.0-or-later
#include "FieldTable.h"

#include "SettingCatalogue.h"

namespace {

QString screenName(const char *pattern, int screen) {
    return QString::fromLatin1(pattern).arg(screen);
}

// A family's limits and range label are its setting's, as the settings catalogue holds them.
struct Catalogued {
    double lower;
    double upper;
    QString label;
};

Catalogued catalogued(ModelFields::Record record, const char *field) {
    const SettingCatalogue::Setting *s = SettingCatalogue::find(record, QLatin1String(field));
    if (!s || !s->range) return {0, 0, s ? QLatin1String(s->rangeLabel) : QString()};
    return {s->range->lower, s->range->upper, QLatin1String(s->rangeLabel)};
}

QList<FieldFamily> buildFamilies() {
    const QString bounds = QStringLiteral("Error! Value out of bounds! ");
    using F = FamilyId;
    using K = FieldKind;
    using R = RangeSource;
    constexpr auto In = ModelFields::Record::Input;
    constexpr auto Out = ModelFields::Record::Output;
    const Catalogued black = catalogued(Out, "BlackLevel"), haloWidth = catalogued(Out, "LeftHaloWidth"),
                     haloOffset = catalogued(Out, "LeftHaloOffset"), edgeGamma = catalogued(Out, "LeftGamma"),
                     featherWidth = catalogued(Out, "LeftGammaWidth"),
                     featherOffset = catalogued(Out, "LeftGammaOffset"),
                     basicGamma = catalogued(Out, "BasicGamma"), seamGain = catalogued(Out, "SeamGain1"),
                     threshold = catalogued(Out, "BridgeThreshold"),
                     overall = catalogued(In, "OverallContrast"), colour = catalogued(In, "RedContrast"),
                     hPosition = catalogued(In, "HPosition"), vPosition = catalogued(In, "VPosition"),
                     phase = catalogued(In, "PhaseOffset");
    // id, kind, range source, lower, upper, label, out-of-range, noun, restores, every device,
    // sends while idle, empty allowed, empty spin value
    return {
        {F::BlackLevel, K::Integer, R::Fixed, black.lower, black.upper, black.label, bounds,
         "' is not a valid Black Level.", true, false, false, false, 0},
        {F::HaloWidth, K::Integer, R::Fixed, haloWidth.lower, haloWidth.upper, haloWidth.label,
         "Error! Halo width out of bounds. ", "' is not a valid Halo width value.", false, false, false,
         false, 0},
        {F::HaloOffset, K::Integer, R::Fixed, haloOffset.lower, haloOffset.upper, haloOffset.label,
         "Error! Halo offset out of bounds. ", "' is not a valid Halo offset value.", false, false, false,
         false, 0},
        {F::EdgeGamma, K::Decimal, R::Fixed, edgeGamma.lower, edgeGamma.upper, edgeGamma.label, bounds,
         "' is not a valid Edge Feathering Gamma value.", false, false, false, false, 0},
        {F::FeatherWidth, K::Integer, R::FeatherWidth, featherWidth.lower, featherWidth.upper,
         featherWidth.label, "Error! Gamma width out of bounds.", "' is not a valid width value.", false,
         false, false, false, 0},
        {F::FeatherOffset, K::Integer, R::Fixed, featherOffset.lower, featherOffset.upper,
         featherOffset.label, "Error! Offset out of bounds. ", "' is not a valid offset value.", false, false,
         false, false, 0},
        {F::BasicGamma, K::Decimal, R::Fixed, basicGamma.lower, basicGamma.upper, basicGamma.label, bounds,
         "' is not a valid Edge Feathering Gamma value.", true, true, false, false, 0},
        {F::SeamGain, K::Integer, R::Fixed, seamGain.lower, seamGain.upper, seamGain.label,
         "Error! Seam Position value out of bounds! ", "' is not a valid Seam Gain Value.", true, false,
         false, false, 0},
        {F::BridgeThreshold, K::Integer, R::Fixed, threshold.lower, threshold.upper, threshold.label,
         "Error! Bridge Threshold value out of bounds! ", "' is not a valid Bridge Threshold value.", true,
         true, true, true, 16},
        {F::OverallLevel, K::Decimal, R::Fixed, overall.lower, overall.upper, overall.label, bounds,
         "' is not a valid Contrast Level.", true, false, false, false, 0},
        {F::ColourLevel, K::Decimal, R::Fixed, colour.lower, colour.upper, colour.label, bounds,
         "' is not a valid Contrast Level.", true, false, false, false, 0},
        {F::HPosition, K::Integer, R::HPosition, hPosition.lower, hPosition.upper, hPosition.label,
         "Error! H Position value out of bounds! ", "' is not a valid H Position Value.", true, false, false,
         false, 0},
        {F::VPosition, K::Integer, R::VPosition, vPosition.lower, vPosition.upper, vPosition.label,
         "Error! V Position value out of bounds! ", "' is not a valid V Position Value.", true, false, false,
         false, 0},
        {F::Phase, K::Integer, R::Fixed, phase.lower, phase.upper, phase.label,
         "Error! Phase Offset value out of bounds! ", "' is not a valid Phase Value.", true, false, false,
         false, 0},
    };
}

FieldRow row(const QString &name, FamilyId family, int screen, const QString &enter, const QString &text,
             int maxLength, int interval) {
    FieldRow r;
    r.name = name;
    r.family = family;
    r.screen = screen;
    r.enter = enter;
    r.initialText = text;
    r.maxLength = maxLength;
    r.spinInterval = interval;
    return r;
}

void addPair(QList<FieldRow> &rows, FieldRow width, FieldRow offset) {
    width.partner = offset.name;
    width.pairWidth = true;
    offset.partner = width.name;
    rows.append(width);
    rows.append(offset);
}

void addScreenRows(QList<FieldRow> &rows, int s) {
    using F = FamilyId;
    const QString halo = haloWidthName(s, s == 1 ? 'R' : 'L');
    FieldRow black =
        row(screenName("Black%1Edit", s), F::BlackLevel, s, halo, "0", s == 1 ? 5 : 0, s <= 3 ? 105 : 250);
    rows.append(black);
    for (char edge : {'L', 'R'}) {
        if (screenHasHalo(s, edge)) {
            FieldRow width =
                row(haloWidthName(s, edge), F::HaloWidth, s, haloOffsetName(s, edge), "0", 3, 250);
            FieldRow offset = row(haloOffsetName(s, edge), F::HaloOffset, s, width.name, "0", 4, 250);
            width.edge = offset.edge = edge;
            addPair(rows, width, offset);
        }
    }
    for (char edge : {'L', 'R'}) {
        if (!screenHasEdge(s, edge)) continue;
        const EdgeNames n = edgeNames(s, edge);
        // Enter in screen 1's left gamma goes on to its right gamma; every other gamma to the pattern list.
        FieldRow gamma =
            row(n.gamma, F::EdgeGamma, s,
                s == 1 && edge == 'L' ? QStringLiteral("Gamma1Edit") : kEnterTestPattern, "2.2", 0, 100);
        gamma.edge = edge;
        rows.append(gamma);
        const bool wide = s == 1; // screen 1's fields are one character wider for width, narrower for offset
        FieldRow width = row(n.width, F::FeatherWidth, s, n.offset, "0", wide ? 4 : 3, 250);
        // A left offset goes on to the same screen's right width when it is shown; screen 8 has none.
        const QString offsetEnter = edge == 'L' && s < 8 ? kEnterRightWidthOrPattern : kEnterTestPattern;
        FieldRow offset = row(n.offset, F::FeatherOffset, s, offsetEnter, "0", wide ? 3 : 4, 250);
        width.edge = offset.edge = edge;
        addPair(rows, width, offset);
    }
}

QList<FieldRow> buildRows() {
    using F = FamilyId;
    QList<FieldRow> rows;
    for (int s = 1; s <= 8; ++s)
        addScreenRows(rows, s);
    rows.append(row("BasicGammaEdit", F::BasicGamma, 0, "OWidthEdit", "2.2", 4, 106));
    for (int g = 1; g <= 8; ++g)
        rows.append(row(screenName("SeamGain%1Edit", g), F::SeamGain, 0,
                        g < 8 ? screenName("SeamGain%1Edit", g + 1) : QStringLiteral("BridgeThresholdEdit"),
                        "0", 4, g == 1 ? 120 : 250));
    rows.append(row("BridgeThresholdEdit", F::BridgeThreshold, 0, "SeamGain1Edit", "", 4, 120));
    const char colours[] = {'O', 'R', 'G', 'B'};
    QStringList ring;
    for (char c : colours)
        for (const char *what : {"Contrast", "Brightness"})
            ring.append(QStringLiteral("Left%1%2Edit").arg(QLatin1Char(c)).arg(QLatin1String(what)));
    for (int i = 0; i < ring.size(); ++i) {
        const char c = colours[i / 2];
        FieldRow r = row(ring[i], c == 'O' ? F::OverallLevel : F::ColourLevel, 0, ring[(i + 1) % ring.size()],
                         "0", 0, 105);
        r.colour = c == 'O' ? 'C' : c;
        if (ring[i].contains(QLatin1String("Brightness")))
            r.nounOverride = QStringLiteral("' is not a valid Brightness Level.");
        rows.append(r);
    }
    rows.append(row("HPositionEdit", F::HPosition, 0, "VPositionEdit", "0", 0, 105));
    rows.append(row("VPositionEdit", F::VPosition, 0, "PhaseEdit", "0", 5, 105));
    rows.append(row("PhaseEdit", F::Phase, 0, "HPositionEdit", "0", 4, 105));
    return rows;
}

} // namespace

QString FieldRow::spinName() const {
    QString spin = name;
    spin.chop(4); // "Edit"
    return spin + QStringLiteral("UpDown");
}

const QList<FieldFamily> &fieldFamilies() {
    static const QList<FieldFamily> families = buildFamilies();
    return families;
}

const FieldFamily &fieldFamily(FamilyId id) {
    return fieldFamilies()[int(id)];
}

const QList<FieldRow> &fieldRows() {
    static const QList<FieldRow> rows = buildRows();
    return rows;
}

const FieldRow *findFieldRow(const QString &name) {
    for (const FieldRow &r : fieldRows())
        if (r.name == name) return &r;
    return nullptr;
}

bool screenHasEdge(int screen, char edge) {
    if (screen < 1 || screen > 8) return false;
    return edge == 'L' || (edge == 'R' && screen <= 7);
}

EdgeNames edgeNames(int screen, char edge) {
    const QString n = QString::number(screen);
    if (edge == 'R') {
        if (screen == 1)
            return {"EdgeFeathering1CheckBox", "Gamma1Edit", "GammaWidth1Edit", "GammaOffset1Edit"};
        return {"REdgeFeathering" + n + "CheckBox", "RGamma" + n + "Edit", "RGammaWidth" + n + "Edit",
                "RGammaOffset" + n + "Edit"};
    }
    return {screen == 8 ? QStringLiteral("EdgeFeathering8CheckBox") : "LEdgeFeathering" + n + "CheckBox",
            screen == 8 ? QStringLiteral("Gamma8Edit") : "LGamma" + n + "Edit", "LGammaWidth" + n + "Edit",
            "LGammaOffset" + n + "Edit"};
}

bool screenHasHalo(int screen, char edge) {
    if (screen < 1 || screen > 8) return false;
    return edge == 'L' ? screen >= 2 : screen <= 7;
}

QString haloWidthName(int screen, char edge) {
    if (screen == 1) return QStringLiteral("HaloWidth1Edit");
    if (screen == 8) return QStringLiteral("HaloWidth8Edit");
    return QStringLiteral("%1HaloWidth%2Edit").arg(QLatin1Char(edge)).arg(screen);
}

QString haloOffsetName(int screen, char edge) {
    if (screen == 1) return QStringLiteral("HaloOffset1Edit");
    if (screen == 8) return QStringLiteral("HaloOffset8Edit");
    return QStringLiteral("%1HaloOffset%2Edit").arg(QLatin1Char(edge)).arg(screen);
}

namespace {

struct FamilyWords {
    FamilyId id;
    const char *what; // the field's own name, without screen or edge
    const char *unit;
};

const FamilyWords kFamilyWords[] = {
    {FamilyId::BlackLevel, "Black level", "steps"},
    {FamilyId::HaloWidth, "Halo width", "pixels"},
    {FamilyId::HaloOffset, "Halo offset", "pixels"},
    {FamilyId::EdgeGamma, "Gamma", "gamma"},
    {FamilyId::FeatherWidth, "Feather width", "pixels"},
    {FamilyId::FeatherOffset, "Feather offset", "pixels"},
    {FamilyId::BasicGamma, "Basic feathering gamma", "gamma"},
    {FamilyId::SeamGain, "Seam gain", "steps"},
    {FamilyId::BridgeThreshold, "Bridge threshold", "steps"},
    {FamilyId::OverallLevel, "Overall", "percent"},
    {FamilyId::ColourLevel, "", "percent, around the overall value"},
    {FamilyId::HPosition, "H position", "pixels"},
    {FamilyId::VPosition, "V position", "lines"},
    {FamilyId::Phase, "Phase", "steps"},
};

const FamilyWords &wordsOf(FamilyId id) {
    for (const FamilyWords &w : kFamilyWords)
        if (w.id == id) return w;
    return kFamilyWords[0];
}

QString colourName(char colour) {
    switch (colour) {
    case 'R':
        return QStringLiteral("Red");
    case 'G':
        return QStringLiteral("Green");
    case 'B':
        return QStringLiteral("Blue");
    }
    return QStringLiteral("Overall");
}

} // namespace

QString accessibleName(const FieldRow &row) {
    QString what = QString::fromLatin1(wordsOf(row.family).what);
    if (row.family == FamilyId::SeamGain) {
        // SeamGain3Edit is the third gain.
        what += QLatin1Char(' ') + row.name.mid(8, row.name.size() - 8 - 4);
    } else if (row.family == FamilyId::OverallLevel || row.family == FamilyId::ColourLevel) {
        const bool contrast = row.name.contains(QLatin1String("Contrast"));
        what =
            colourName(row.colour) + (contrast ? QStringLiteral(" contrast") : QStringLiteral(" brightness"));
    }
    QString name = row.screen ? QStringLiteral("Screen %1 %2").arg(row.screen).arg(what) : what;
    if (row.edge) name += QStringLiteral(" (%1)").arg(QLatin1Char(row.edge));
    return name;
}

QString rangeToolTip(const FieldRow &row) {
    const FieldFamily &family = fieldFamily(row.family);
    const QString unit = QString::fromLatin1(wordsOf(row.family).unit);
    QString range;
    switch (family.rangeSource) {
    case RangeSource::Fixed:
        range = QStringLiteral("%1 to %2").arg(family.lower).arg(family.upper);
        break;
    case RangeSource::FeatherWidth:
        range = QStringLiteral("%1 to the widest overlap the plan allows").arg(family.lower);
        break;
    case RangeSource::HPosition:
    case RangeSource::VPosition:
        range = QStringLiteral("within the bounds the selected input reports");
        break;
    }
    return QStringLiteral("%1: %2 (%3)").arg(accessibleName(row), range, unit);
}
