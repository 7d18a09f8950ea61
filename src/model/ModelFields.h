// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A catalogue of every named value in the input and output records (padding left out), so that a tool
// can list, compare and change the values of a configuration image field by field. The eight seam gains
// appear as SeamGain1..SeamGain8.
namespace ModelFields {

enum class Record { Input, Output };
enum class Type { U8, I16, I32, F32 };

struct Field {
    Record record;
    const char *name; // the record's member name, e.g. "HPosition", "SeamGain3"
    int offset;       // byte offset inside the record
    Type type;
    bool setting; // the user sets it and a push sends it (or could); false for what the device reports
    // Whether the device holds it once for all its channels is the settings catalogue's to say
    // (SettingCatalogue::deviceWide).
};

// Every field, inputs first, then outputs, each in the record's member order.
const QList<Field> &all();
// The field of that record with that name (letter case ignored); null when there is none.
const Field *find(Record record, const QString &name);
// How many bytes a value of the type takes.
int size(Type type);

// Values inside a configuration image (the layout DeviceModel::image() produces), device 1..2,
// channel 1..4. value() gives NaN for an address, field or image that does not fit.
double value(const QByteArray &image, const Field &field, int device, int channel);
// The value of a record (an InputInfo for an input field, an OutputInfo for an output one).
double recordValue(const void *record, const Field &field);
// False, image untouched, when the address does not fit or the value is not one the field's type holds:
// integers must be whole and inside the type's range; floats finite and inside the float range (they
// are rounded to the nearest float).
bool setValue(QByteArray &image, const Field &field, int device, int channel, double value);
// The image as the model holds it (DeviceModel::applyImage): each device's system values copied from
// channel 1 into channels 2 to 4, where files of earlier releases may hold anything. Channel slot 0 and
// every other byte stay as they are; an image of another size is returned unchanged.
QByteArray withDeviceWideValuesAligned(QByteArray image);
// Integers in decimal; floats in the shortest text that reads back to the same float. Empty when the
// address does not fit.
QString text(const QByteArray &image, const Field &field, int device, int channel);
// The shortest text that reads back to the same float ("0.1", "-2.5", "nan").
QString floatText(float value);

} // namespace ModelFields
