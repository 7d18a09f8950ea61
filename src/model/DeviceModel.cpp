// SPDX-License-Identifier: GPL-3.0-or-later
#include "DeviceModel.h"

#include "ConfigFile.h"
#include "ModelFields.h"
#include "SettingCatalogue.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

bool stored(int device, int channel) {
    return device >= 1 && device < kDeviceSlots && channel >= 0 && channel < kChannelSlots;
}

// The catalogue's fields of one record kind whose bytes differ between two copies of a record.
template <typename Record>
QStringList differingFields(ModelFields::Record kind, const Record &before, const Record &after) {
    QStringList names;
    if (std::memcmp(&before, &after, sizeof(Record)) == 0) return names;
    const char *a = reinterpret_cast<const char *>(&before);
    const char *b = reinterpret_cast<const char *>(&after);
    for (const ModelFields::Field &field : ModelFields::all())
        if (field.record == kind &&
            std::memcmp(a + field.offset, b + field.offset, ModelFields::size(field.type)))
            names.append(QLatin1String(field.name));
    return names;
}

// The fields a device holds once for all its channels (the settings catalogue's device-wide ones).
const QList<const ModelFields::Field *> &deviceWideFields() {
    static const QList<const ModelFields::Field *> fields = [] {
        QList<const ModelFields::Field *> list;
        for (const ModelFields::Field &field : ModelFields::all())
            if (field.record == ModelFields::Record::Output && SettingCatalogue::deviceWide(field))
                list.append(&field);
        return list;
    }();
    return fields;
}

bool sameBytes(const OutputInfo &a, const OutputInfo &b, const ModelFields::Field &field) {
    return std::memcmp(reinterpret_cast<const char *>(&a) + field.offset,
                       reinterpret_cast<const char *>(&b) + field.offset, ModelFields::size(field.type)) == 0;
}

void copyField(const OutputInfo &from, OutputInfo &to, const ModelFields::Field &field) {
    std::memcpy(reinterpret_cast<char *>(&to) + field.offset,
                reinterpret_cast<const char *>(&from) + field.offset, ModelFields::size(field.type));
}

} // namespace

bool holdsNoChannelValues(const OutputInfo &record) {
    static const OutputInfo zero{};
    OutputInfo own = record;
    for (const ModelFields::Field *field : deviceWideFields())
        copyField(zero, own, *field);
    return std::memcmp(&own, &zero, sizeof own) == 0;
}

DeviceModel::DeviceModel(QObject *parent) : QObject(parent) {}

const InputInfo &DeviceModel::input(int device, int channel) const {
    static const InputInfo none{};
    return stored(device, channel) ? InputInfoTable[device][channel] : none;
}

const OutputInfo &DeviceModel::output(int device, int channel) const {
    static const OutputInfo none{};
    return stored(device, channel) ? OutputInfoTable[device][channel] : none;
}

const SystemInfo &DeviceModel::system(int device) const {
    static const SystemInfo none{};
    return stored(device, 0) ? SystemInfoTable[device] : none;
}

void DeviceModel::editInput(int device, int channel, const std::function<void(InputInfo &)> &edit) {
    if (!stored(device, channel)) return;
    const InputInfo before = InputInfoTable[device][channel];
    edit(InputInfoTable[device][channel]);
    announceInput(device, channel, before);
}

// A device-wide value changed through any one channel's record is the device's value: it is written to
// all four channel records before anyone hears of the change, so every record (and so every saved file)
// says the same. Channel slot 0 is no channel and stays as it is.
void DeviceModel::editOutput(int device, int channel, const std::function<void(OutputInfo &)> &edit) {
    if (!stored(device, channel)) return;
    OutputInfo(&row)[kChannelSlots] = OutputInfoTable[device];
    OutputInfo before[kChannelSlots];
    std::copy(std::begin(row), std::end(row), std::begin(before));
    edit(row[channel]);
    if (channel >= 1)
        for (const ModelFields::Field *field : deviceWideFields()) {
            if (sameBytes(before[channel], row[channel], *field)) continue;
            for (int other = 1; other < kChannelSlots; ++other)
                if (other != channel) copyField(row[channel], row[other], *field);
        }
    announceOutput(device, channel, before[channel]);
    for (int other = 1; other < kChannelSlots; ++other)
        if (other != channel) announceOutput(device, other, before[other]);
}

void DeviceModel::setInput(int device, int channel, const InputInfo &record) {
    editInput(device, channel, [&record](InputInfo &r) { r = record; });
}

void DeviceModel::setOutput(int device, int channel, const OutputInfo &record) {
    editOutput(device, channel, [&record](OutputInfo &r) { r = record; });
}

void DeviceModel::setSystem(int device, const SystemInfo &record) {
    if (!stored(device, 0)) return;
    const bool differs = std::memcmp(&SystemInfoTable[device], &record, sizeof record) != 0;
    SystemInfoTable[device] = record;
    if (differs) emit changed(device, 0, QStringLiteral("Version"));
}

void DeviceModel::announceInput(int device, int channel, const InputInfo &before) {
    for (const QString &field :
         differingFields(ModelFields::Record::Input, before, InputInfoTable[device][channel]))
        emit changed(device, channel, field);
}

void DeviceModel::announceOutput(int device, int channel, const OutputInfo &before) {
    for (const QString &field :
         differingFields(ModelFields::Record::Output, before, OutputInfoTable[device][channel]))
        emit changed(device, channel, field);
}

QByteArray DeviceModel::image() const {
    QByteArray bytes;
    bytes.reserve(ConfigFile::FileSize);
    for (int device = 1; device <= 2; ++device)
        bytes.append(reinterpret_cast<const char *>(InputInfoTable[device]), sizeof InputInfoTable[device]);
    for (int device = 1; device <= 2; ++device)
        bytes.append(reinterpret_cast<const char *>(OutputInfoTable[device]), sizeof OutputInfoTable[device]);
    return bytes;
}

bool DeviceModel::applyImage(const QByteArray &bytes) {
    static_assert(2 * sizeof InputInfoTable[1] + 2 * sizeof OutputInfoTable[1] == ConfigFile::FileSize,
                  "the file stores the records raw");
    if (bytes.size() != ConfigFile::FileSize) return false;
    // Files from earlier releases hold a device's system values in channel 1 only, and anything in the
    // other channels. Channel 1's are the ones a push has always sent, so they are the device's.
    const QByteArray image = ModelFields::withDeviceWideValuesAligned(bytes);
    for (int device = 1; device <= 2; ++device)
        for (int slot = 0; slot < kChannelSlots; ++slot) {
            InputInfo in;
            std::memcpy(&in, image.constData() + ConfigFile::inputRecordOffset(device, slot), sizeof in);
            setInput(device, slot, in);
            OutputInfo out;
            std::memcpy(&out, image.constData() + ConfigFile::outputRecordOffset(device, slot), sizeof out);
            setOutput(device, slot, out);
        }
    return true;
}
