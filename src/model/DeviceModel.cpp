#include "DeviceModel.h"

#include "ConfigFile.h"
#include "ModelFields.h"

#include <cstring>

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

} // namespace

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

void DeviceModel::editOutput(int device, int channel, const std::function<void(OutputInfo &)> &edit) {
    if (!stored(device, channel)) return;
    const OutputInfo before = OutputInfoTable[device][channel];
    edit(OutputInfoTable[device][channel]);
    announceOutput(device, channel, before);
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
    for (int device = 1; device <= 2; ++device)
        for (int slot = 0; slot < kChannelSlots; ++slot) {
            InputInfo in;
            std::memcpy(&in, bytes.constData() + ConfigFile::inputRecordOffset(device, slot), sizeof in);
            setInput(device, slot, in);
            OutputInfo out;
            std::memcpy(&out, bytes.constData() + ConfigFile::outputRecordOffset(device, slot), sizeof out);
            setOutput(device, slot, out);
        }
    return true;
}
