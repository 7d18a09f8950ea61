// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingDifferences.h"

#include "ModelFields.h"
#include "SettingCatalogue.h"
#include "SettingCheck.h"

QList<Difference> differenceRows(const QByteArray &file, const QByteArray &device, int devices) {
    using ModelFields::Field;
    QList<Difference> rows;
    for (const SettingCheck::SentValue &v : SettingCheck::sentValues(file, devices)) {
        const Field &field = *v.field;
        const SettingCatalogue::Setting *setting = SettingCatalogue::find(field);
        Difference d{v.device,
                     v.channel,
                     QLatin1String(field.name),
                     ModelFields::text(file, field, v.fromDevice, v.fromChannel),
                     QString(),
                     false,
                     QLatin1String(field.name),
                     QString(),
                     QString()};
        if (!SettingCheck::holds(device, field, v.device, v.channel)) {
            d.notReported = true;
        } else {
            const double sent = ModelFields::value(file, field, v.fromDevice, v.fromChannel);
            const double held = ModelFields::value(device, field, v.device, v.channel);
            if (SettingCheck::sentText(field, sent) == SettingCheck::sentText(field, held)) continue;
            d.deviceValue = ModelFields::text(device, field, v.device, v.channel);
            if (setting) d.deviceText = setting->valueText(held);
        }
        if (setting) {
            d.label = setting->title();
            d.fileText = setting->valueText(ModelFields::value(file, field, v.fromDevice, v.fromChannel));
        }
        rows.append(d);
    }
    return rows;
}

QByteArray withDeviceValues(const QByteArray &window, const QByteArray &devices,
                            const QList<Difference> &rows) {
    QByteArray image = window;
    for (const Difference &d : rows) {
        if (d.notReported) continue;
        const ModelFields::Field *field = ModelFields::find(ModelFields::Record::Output, d.field);
        if (!field) field = ModelFields::find(ModelFields::Record::Input, d.field);
        if (!field) continue;
        ModelFields::setValue(image, *field, d.device, d.channel,
                              ModelFields::value(devices, *field, d.device, d.channel));
    }
    return image;
}
