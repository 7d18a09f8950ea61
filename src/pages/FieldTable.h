// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

// The numeric fields of the Display Setup, Seam Removal and Source Setup pages as data: one row per
// family (what a value is and how it is checked and sent) and one row per field (which control, which
// screen and edge, its pair partner and where Enter takes the focus). A new field is a new row.

enum class FieldKind { Integer, Decimal };

enum class FamilyId {
    BlackLevel,
    HaloWidth,
    HaloOffset,
    EdgeGamma,
    FeatherWidth,
    FeatherOffset,
    BasicGamma,
    SeamGain,
    BridgeThreshold,
    OverallLevel, // overall contrast and brightness
    ColourLevel,  // red, green and blue contrast and brightness
    HPosition,
    VPosition,
    Phase,
};

// Where a family's limits come from at the moment of a check.
enum class RangeSource {
    Fixed,
    FeatherWidth, // 64 .. the maximum overlap width
    HPosition,    // WindowState::HPositionMin .. HPositionMax
    VPosition,    // WindowState::VPositionMin .. VPositionMax
};

struct FieldFamily {
    FamilyId id;
    FieldKind kind;
    RangeSource rangeSource;
    double lower; // the limits of SettingRanges (the feather width's upper one narrowed at the check)
    double upper;
    QString rangeLabel;  // appended to the out-of-range message; empty for none
    QString outOfRange;  // the message before the label
    QString noun;        // ends the parse-failure message
    bool restores;       // the page's restore runs after an out-of-range message
    bool everyDevice;    // sent to device 1 and, with two devices, to device 2
    bool sendsWhileIdle; // validated values reach the model even with the link down or while refreshing
    bool emptyAllowed;   // an empty text ends the validation without a message
    double emptySpinValue;
};

struct FieldRow {
    QString name; // objectName of the line edit; its spin button is the same name with "UpDown" for "Edit"
    FamilyId family;
    int screen = 0;  // 1..8 on the Display Setup page; 0 = the page's selected channel
    char edge = 0;   // 'L' or 'R' for edge fields
    QString partner; // the other field of a width/offset pair
    bool pairWidth = false;
    // Where Enter moves the focus: a field name, or one of the tokens below.
    QString enter;
    QString initialText;
    int maxLength = 0; // 0: no limit
    int spinInterval = 0;
    char colour = 0;      // 'C', 'R', 'G', 'B' for contrast and brightness
    QString nounOverride; // brightness fields use their own noun

    QString spinName() const;
    bool isPair() const { return !partner.isEmpty(); }
};

// Enter tokens resolved at key time.
inline const QString kEnterTestPattern = QStringLiteral("@pattern");            // the screen's pattern list
inline const QString kEnterRightWidthOrPattern = QStringLiteral("@rightwidth"); // see the left offset rows

const FieldFamily &fieldFamily(FamilyId id);
const QList<FieldFamily> &fieldFamilies();
const QList<FieldRow> &fieldRows();
// Null when no field has that name.
const FieldRow *findFieldRow(const QString &name);

// What a screen reader says for the field: what it is, for which screen and edge ("Screen 2 Gamma (L)",
// "Seam gain 3", "Red contrast", "Overlap width" style).
QString accessibleName(const FieldRow &row);
// The field's unit and range, for its tooltip ("Screen 2 Gamma (L): 1 to 5 (gamma)").
QString rangeToolTip(const FieldRow &row);

// Names of a screen's edge controls (screen 1 has both edges, 2..7 both, 8 only the left edge).
struct EdgeNames {
    QString enable, gamma, width, offset;
};
bool screenHasEdge(int screen, char edge);
EdgeNames edgeNames(int screen, char edge);
// The halo width and offset fields of an edge (no left halo on screen 1, no right halo on screen 8).
bool screenHasHalo(int screen, char edge);
QString haloWidthName(int screen, char edge);
QString haloOffsetName(int screen, char edge);
