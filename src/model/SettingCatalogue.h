// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DeviceCommand.h"
#include "ModelFields.h"
#include "SettingRanges.h"

#include <QList>
#include <QString>

// The one catalogue of the settings: for every record value the user sets (and the few the devices
// report that a setting's command also carries), where it lives, which command sends it, how the pages
// name, bound and show it, and what a push, a comparison and the undo history do with it. Everything
// that names, checks, compares, describes or sends a setting reads it here; adding a setting is one row
// of SettingCatalogue.cpp plus its place on a page.
//
// The catalogue names a command only by what it does (DeviceCommand); the protocol layer owns its text
// on the wire, so the model stays free of the protocol.
namespace SettingCatalogue {

// A value of one output or input channel, or one the device holds once for all its channels (the model
// keeps it alike in channels 1 to 4, and it always goes to and from channel 1).
enum class Scope { Channel, Device };

// How a value is judged before it goes out, and how it goes out.
enum class Check {
    None,      // nothing to judge (a byte that holds nothing but valid values, or nothing a push sends)
    Fixed,     // the range of the row
    OnOff,     // any value; non-zero goes out as 1
    Switch,    // 0 or 1 (a check box); non-zero goes out as 1
    Pattern,   // a test pattern index; beyond the list goes out as -1
    Count,     // the projector count; goes out kept to 1..8
    HPosition, // the record's own bounds (devicePositionLimits)
    VPosition,
};

// Which values of a configuration a push of it sends.
enum class PushedWith {
    Never,       // not part of a push
    DeviceWide,  // device 1 channel 1's value, to every device
    LockedInput, // the screens inside the wall whose input is locked
    LockedSeam,  // the same screens, in the seam pass
    EveryOutput, // every output
    HeldHalo,    // outputs whose record holds the halo, never the wall's outermost edges
    HeldEdge,    // likewise for the advanced edge feathering
};

// How a value is shown.
enum class Format {
    Integer,
    Decimal, // with the one decimal the commands carry
    OnOff,
    Coded, // a code with a name of its own (a test pattern, the feather curve)
};

struct CodedName {
    int code;
    const char *name;
};

struct Setting {
    ModelFields::Record record;
    const char *field; // the ModelFields name ("SeamGain5")
    Scope scope;
    DeviceCommand command; // DeviceCommand::Count: no command sends it
    int argument;          // its place among the command's values (DeviceSetting::values); -1 for none
    char part;             // the side 'L' / 'R' of a halo or an edge, the colour letter of a level; 0 none
    const char *group;     // the page's group the control sits in ("Halo Removal"), "" for none
    const char *label;     // the control's caption as the page shows it ("Gain +1")
    const char *unit;      // "%", "pixels" or ""
    const SettingRanges::Range *range; // nullptr: no fixed range
    const char *rangeLabel;            // as the page shows it beside the field ("(0 - 64)"), "" for none
    Format format;
    Check check;
    PushedWith pushed;
    bool undoable;
    QList<CodedName> names; // Coded: the name of each code

    // "Gain +1", "Halo Removal Width(L)": the label, after its group where the label alone is ambiguous.
    QString title() const;
    // The value as the pages show it: a coded value by its name ("Linear", "Grey - 50%"; an unknown code
    // as its number), on/off as "On" or "Off", a decimal with the one decimal the wire carries.
    QString valueText(double value) const;
    bool deviceWide() const { return scope == Scope::Device; }
};

// Every catalogued value, inputs first, each record in member order.
const QList<Setting> &all();
// The row of that record value; nullptr for a value the catalogue does not hold (one only reported).
const Setting *find(ModelFields::Record record, const QString &field);
const Setting *find(const ModelFields::Field &field);
// Whether the device holds the field once for all its channels.
bool deviceWide(const ModelFields::Field &field);

// The rows a command carries, by their place among its values; part picks the side or colour of the
// commands that carry one ('L', 'R', 'C', 'R', 'G', 'B'), 0 for the others.
QList<const Setting *> ofCommand(DeviceCommand command, char part = 0);
// The command's name as the undo history shows it ("Black Level", "Test Pattern").
QString commandTitle(DeviceCommand command);
// Whether a later command can put back what the command set: false for the commands that reset, save or
// work values out on the device.
bool undoable(DeviceCommand command);
// The two feather mode commands are one setting (the device only takes longer one way).
DeviceCommand normalised(DeviceCommand command);

// The commands carry reals with one decimal: a value as it goes out (a negative zero becomes zero).
constexpr int WireDecimals = 1;
double asSent(double value);

// The output formats a device reports (OutputInfo::OutputFormat), by code; the projector resolutions the
// planning offers are the last three.
struct Resolution {
    int width;
    int height;
    QString text() const; // "1280x1024"
};
const QList<Resolution> &outputFormats();
// The format of that code; nullptr for a code beyond the list.
const Resolution *outputFormat(int code);

} // namespace SettingCatalogue
