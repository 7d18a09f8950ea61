// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModelFields.h"

#include "ConfigFile.h"
#include "InputInfo.h"
#include "OutputInfo.h"
#include "SettingCatalogue.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <type_traits>

namespace ModelFields {
namespace {

// The type tag follows from the member's own declaration, so a row cannot claim the wrong width.
template <typename T> constexpr Type typeOf() {
    if constexpr (std::is_same_v<T, quint8>)
        return Type::U8;
    else if constexpr (std::is_same_v<T, qint16>)
        return Type::I16;
    else if constexpr (std::is_same_v<T, qint32>)
        return Type::I32;
    else {
        static_assert(std::is_same_v<T, float>, "a record member of a type the catalogue does not know");
        return Type::F32;
    }
}

#define LV_INPUT(member, setting)                                                                            \
    Field {                                                                                                  \
        Record::Input, #member, int(offsetof(InputInfo, member)), typeOf<decltype(InputInfo::member)>(),     \
            setting                                                                                          \
    }
#define LV_OUTPUT(member, setting)                                                                           \
    Field {                                                                                                  \
        Record::Output, #member, int(offsetof(OutputInfo, member)), typeOf<decltype(OutputInfo::member)>(),  \
            setting                                                                                          \
    }
#define LV_SEAM_GAIN(n)                                                                                      \
    Field {                                                                                                  \
        Record::Output, "SeamGain" #n, int(offsetof(OutputInfo, SeamGain)) + (n - 1),                        \
            typeOf<std::remove_extent_t<decltype(OutputInfo::SeamGain)>>(), true                             \
    }

constexpr bool Setting = true;
constexpr bool Reported = false;

constexpr Field kFields[] = {
    LV_INPUT(VideoLoaded, Reported),
    LV_INPUT(VideoLocked, Reported),
    LV_INPUT(PhaseOffset, Setting),
    LV_INPUT(InputAux1, Reported),
    LV_INPUT(InputAux2, Reported),
    LV_INPUT(HTotal, Reported),
    LV_INPUT(HPositionCenter, Reported),
    LV_INPUT(HPosition, Setting),
    LV_INPUT(VPositionCenter, Reported),
    LV_INPUT(VPosition, Setting),
    LV_INPUT(HActive, Reported),
    LV_INPUT(VActive, Reported),
    // The sync input and the termination are reported and shown; no command of ours changes them.
    LV_INPUT(SyncSelect, Reported),
    LV_INPUT(Termination75, Reported),
    LV_INPUT(OverallContrast, Setting),
    LV_INPUT(OverallBrightness, Setting),
    LV_INPUT(RedContrast, Setting),
    LV_INPUT(RedBrightness, Setting),
    LV_INPUT(GreenContrast, Setting),
    LV_INPUT(GreenBrightness, Setting),
    LV_INPUT(BlueContrast, Setting),
    LV_INPUT(BlueBrightness, Setting),
    LV_INPUT(HPositionLimit, Reported),
    LV_INPUT(VPositionLimit, Reported),

    // Format, frame rate and output sync are the device's own: shown, never sent.
    LV_OUTPUT(OutputFormat, Reported),
    LV_OUTPUT(FrameRate, Reported),
    LV_OUTPUT(OutputSync, Reported),
    LV_OUTPUT(AdvancedMode, Setting),
    // The group goes out with the projector count but follows from the device's place in the wall
    // (device 1 the first four screens, device 2 the next), never from the user or a file.
    LV_OUTPUT(ProjectorGroup, Reported),
    LV_OUTPUT(TotalProjectors, Setting),
    LV_OUTPUT(DataDoubling, Setting),
    LV_OUTPUT(Justification, Setting),
    LV_OUTPUT(OverlapWidth, Setting),
    LV_OUTPUT(BasicGamma, Setting),
    LV_OUTPUT(BasicFeathering, Setting),
    LV_OUTPUT(LeftGamma, Setting),
    LV_OUTPUT(LeftFeathering, Setting),
    LV_OUTPUT(RightGamma, Setting),
    LV_OUTPUT(RightFeathering, Setting),
    LV_OUTPUT(LeftHaloWidth, Setting),
    LV_OUTPUT(LeftHaloOffset, Setting),
    LV_OUTPUT(RightHaloWidth, Setting),
    LV_OUTPUT(RightHaloOffset, Setting),
    LV_OUTPUT(LeftGammaWidth, Setting),
    LV_OUTPUT(LeftGammaOffset, Setting),
    LV_OUTPUT(RightGammaWidth, Setting),
    LV_OUTPUT(RightGammaOffset, Setting),
    LV_OUTPUT(BlackLevel, Setting),
    LV_OUTPUT(TestPattern, Setting),
    LV_OUTPUT(OutputRaster, Setting),
    LV_OUTPUT(TestGrid, Setting),
    // The gains always go out with the first one at -4; the stored start only records what went out,
    // so a different start in a file is nothing a push would change.
    LV_OUTPUT(SeamStart, Reported),
    LV_SEAM_GAIN(1),
    LV_SEAM_GAIN(2),
    LV_SEAM_GAIN(3),
    LV_SEAM_GAIN(4),
    LV_SEAM_GAIN(5),
    LV_SEAM_GAIN(6),
    LV_SEAM_GAIN(7),
    LV_SEAM_GAIN(8),
    LV_OUTPUT(SeamBridge, Setting),
    LV_OUTPUT(FeatherMode, Setting),
    LV_OUTPUT(BridgeThreshold, Setting),
};

#undef LV_INPUT
#undef LV_OUTPUT
#undef LV_SEAM_GAIN

int recordSize(Record record) {
    return record == Record::Input ? int(sizeof(InputInfo)) : int(sizeof(OutputInfo));
}

// Where the field's bytes start inside the image, or -1 when any part of them would lie outside the
// record or the image.
qint64 locate(const QByteArray &image, const Field &field, int device, int channel) {
    if (channel < 1 || channel > 4) return -1;
    const int bytes = size(field.type);
    if (field.offset < 0 || field.offset + bytes > recordSize(field.record)) return -1;
    const qint64 record = field.record == Record::Input ? ConfigFile::inputRecordOffset(device, channel)
                                                        : ConfigFile::outputRecordOffset(device, channel);
    if (record < 0) return -1;
    const qint64 at = record + field.offset;
    if (at + bytes > image.size()) return -1;
    return at;
}

template <typename T> T load(const QByteArray &image, qint64 at) {
    T v;
    std::memcpy(&v, image.constData() + at, sizeof v);
    return v;
}

template <typename T> void store(QByteArray &image, qint64 at, T v) {
    std::memcpy(image.data() + at, &v, sizeof v);
}

template <typename T> bool fitsInteger(double v) {
    return std::isfinite(v) && v == std::trunc(v) && v >= double(std::numeric_limits<T>::min()) &&
           v <= double(std::numeric_limits<T>::max());
}

} // namespace

const QList<Field> &all() {
    static const QList<Field> fields(std::begin(kFields), std::end(kFields));
    return fields;
}

const Field *find(Record record, const QString &name) {
    for (const Field &field : all())
        if (field.record == record && name.compare(QLatin1StringView(field.name), Qt::CaseInsensitive) == 0)
            return &field;
    return nullptr;
}

int size(Type type) {
    switch (type) {
    case Type::U8:
        return 1;
    case Type::I16:
        return 2;
    case Type::I32:
    case Type::F32:
        return 4;
    }
    return 0;
}

double value(const QByteArray &image, const Field &field, int device, int channel) {
    const qint64 at = locate(image, field, device, channel);
    if (at < 0) return std::numeric_limits<double>::quiet_NaN();
    switch (field.type) {
    case Type::U8:
        return load<quint8>(image, at);
    case Type::I16:
        return load<qint16>(image, at);
    case Type::I32:
        return load<qint32>(image, at);
    case Type::F32:
        return load<float>(image, at);
    }
    return std::numeric_limits<double>::quiet_NaN();
}

double recordValue(const void *record, const Field &field) {
    const char *at = static_cast<const char *>(record) + field.offset;
    auto load = [at](auto v) {
        std::memcpy(&v, at, sizeof v);
        return double(v);
    };
    switch (field.type) {
    case Type::U8:
        return load(quint8());
    case Type::I16:
        return load(qint16());
    case Type::I32:
        return load(qint32());
    case Type::F32:
        return load(float());
    }
    return std::numeric_limits<double>::quiet_NaN();
}

// The group of values that only one output record form carries the field belongs to; 0 for any other.
static quint8 heldGroup(const Field &field) {
    if (field.record != Record::Output) return 0;
    switch (field.offset) {
    case offsetof(OutputInfo, LeftHaloWidth):
    case offsetof(OutputInfo, LeftHaloOffset):
        return OutputHeld::LeftHalo;
    case offsetof(OutputInfo, RightHaloWidth):
    case offsetof(OutputInfo, RightHaloOffset):
        return OutputHeld::RightHalo;
    case offsetof(OutputInfo, LeftGammaWidth):
    case offsetof(OutputInfo, LeftGammaOffset):
        return OutputHeld::LeftFeather;
    case offsetof(OutputInfo, RightGammaWidth):
    case offsetof(OutputInfo, RightGammaOffset):
        return OutputHeld::RightFeather;
    }
    return 0;
}

QByteArray withDeviceWideValuesAligned(QByteArray image) {
    if (image.size() != ConfigFile::FileSize) return image;
    for (const Field &field : all()) {
        if (!SettingCatalogue::deviceWide(field)) continue;
        for (int device = 1; device <= 2; ++device) {
            const qint64 from = locate(image, field, device, 1);
            for (int channel = 2; channel <= 4; ++channel)
                std::memcpy(image.data() + locate(image, field, device, channel), image.constData() + from,
                            size_t(size(field.type)));
        }
    }
    return image;
}

// A halo or feather value changed in an image has been set by the user: the record now holds it, even
// where the devices never reported it.
static void markHeld(QByteArray &image, const Field &field, qint64 at) {
    if (const quint8 group = heldGroup(field)) {
        const qint64 held = at - field.offset + qint64(offsetof(OutputInfo, Held));
        image[held] = char(quint8(image[held]) | group);
    }
}

bool setValue(QByteArray &image, const Field &field, int device, int channel, double v) {
    const qint64 at = locate(image, field, device, channel);
    if (at < 0) return false;
    switch (field.type) {
    case Type::U8:
        if (!fitsInteger<quint8>(v)) return false;
        store(image, at, quint8(v));
        return true;
    case Type::I16:
        if (!fitsInteger<qint16>(v)) return false;
        store(image, at, qint16(v));
        return true;
    case Type::I32:
        if (!fitsInteger<qint32>(v)) return false;
        if (load<qint32>(image, at) != qint32(v)) markHeld(image, field, at);
        store(image, at, qint32(v));
        return true;
    case Type::F32: {
        // Anything short of halfway between the largest float and the next power of two rounds to the
        // largest float (its shortest text, 3.4028235e+38, lies just above it); from halfway on it would
        // be infinite.
        constexpr double largest = std::numeric_limits<float>::max();
        constexpr double halfway = 0x1p128 - 0x1p103; // largest = 2^128 - 2^104
        if (!std::isfinite(v) || std::fabs(v) >= halfway) return false;
        store(image, at, std::fabs(v) > largest ? float(std::copysign(largest, v)) : float(v));
        return true;
    }
    }
    return false;
}

QString text(const QByteArray &image, const Field &field, int device, int channel) {
    const qint64 at = locate(image, field, device, channel);
    if (at < 0) return {};
    switch (field.type) {
    case Type::U8:
        return QString::number(load<quint8>(image, at));
    case Type::I16:
        return QString::number(load<qint16>(image, at));
    case Type::I32:
        return QString::number(load<qint32>(image, at));
    case Type::F32:
        return floatText(load<float>(image, at));
    }
    return {};
}

QString floatText(float value) {
    // to_chars without a precision writes the shortest text that reads back to the same float.
    std::array<char, 64> buffer;
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    if (error != std::errc()) return {};
    return QString::fromLatin1(buffer.data(), end - buffer.data());
}

} // namespace ModelFields
