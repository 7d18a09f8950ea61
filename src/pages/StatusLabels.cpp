// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusLabels.h"

#include "InputInfo.h"
#include "OutputInfo.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>

#include <cmath>

namespace {

using Text = std::optional<QString>;

// Single-byte fields are unsigned, the wider ones signed.
Text decimal(int v) {
    return QString::number(v);
}

Text code(int v, std::initializer_list<const char *> texts) {
    if (v < 0 || v >= int(texts.size())) return std::nullopt;
    return QString::fromLatin1(texts.begin()[v]);
}

Text trueFalse(quint8 v) {
    return v == 1 ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace

QString StatusLabels::generalNumber(double v, int digits) {
    QString text = QString::number(v, 'g', digits);
    if (!std::isfinite(v) || !text.contains(QLatin1Char('e'))) return text;
    // Very large or very small values: the same rounding, written out without an exponent.
    const double rounded = text.toDouble();
    const int magnitude = rounded == 0 ? 0 : int(std::floor(std::log10(std::fabs(rounded))));
    text = QString::number(rounded, 'f', std::max(0, digits - 1 - magnitude));
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.'))) text.chop(1);
    }
    return text;
}

StatusLabels::StatusLabels(QWidget *parent) {
    using In = Row<InputInfo>;
    auto percent = [](float InputInfo::*field, int digits) {
        return [field, digits](const InputInfo &r) -> Text { return generalNumber(r.*field, digits); };
    };
    const QList<In> inputRows = {
        {"Active Size", "HActiveLabel", [](const InputInfo &r) { return decimal(r.HActive); }},
        {nullptr, "VActiveLabel", [](const InputInfo &r) { return decimal(r.VActive); }, nullptr, "x"},
        {"Video Loaded", "VideoLoadedLabel", [](const InputInfo &r) { return trueFalse(r.VideoLoaded); }},
        {"Video Locked", "VideoLockedLabel", [](const InputInfo &r) { return trueFalse(r.VideoLocked); }},
        {"Phase Offset", "PhaseOffsetLabel", [](const InputInfo &r) { return decimal(r.PhaseOffset); }},
        {"Input Sync", "SyncSelLabel",
         [](const InputInfo &r) {
             return code(r.SyncSelect, {"SOG", "COMP", "H/V", "AUTO"});
         }},
        {"H Total", "HTotalLabel", [](const InputInfo &r) { return decimal(r.HTotal); }},
        {"H Position", "HPosLabel", [](const InputInfo &r) { return decimal(r.HPosition); }},
        {"V Position", "VPosLabel", [](const InputInfo &r) { return decimal(r.VPosition); }},
        {"Input Termination", "InTerminationLabel",
         [](const InputInfo &r) -> Text { return r.Termination75 ? "75 Ohm" : "HI-Z"; }},
        {"C Contrast", "CContrastLabel", percent(&InputInfo::OverallContrast, 5), "%"},
        {"C Brightness", "CBrightnessLabel", percent(&InputInfo::OverallBrightness, 5), "%"},
        {"R Contrast", "RContrastLabel", percent(&InputInfo::RedContrast, 4), "%"},
        {"R Brightness", "RBrightnessLabel", percent(&InputInfo::RedBrightness, 4), "%"},
        {"G Contrast", "GContrastLabel", percent(&InputInfo::GreenContrast, 4), "%"},
        {"G Brightness", "GBrightnessLabel", percent(&InputInfo::GreenBrightness, 4), "%"},
        {"B Contrast", "BContrastLabel", percent(&InputInfo::BlueContrast, 4), "%"},
        {"B Brightness", "BBrightnessLabel", percent(&InputInfo::BlueBrightness, 4), "%"},
    };

    using Out = Row<OutputInfo>;
    auto gamma = [](float OutputInfo::*field) {
        return [field](const OutputInfo &r) -> Text { return generalNumber(r.*field, 3); };
    };
    const QList<Out> outputRows = {
        {"Output", "HVOutLabel",
         [](const OutputInfo &r) {
             return code(r.OutputFormat, {"640x480", "800x600", "1024x768", "1280x1024"});
         }},
        {nullptr, "OutFRateLabel",
         [](const OutputInfo &r) {
             return code(r.FrameRate, {"@ 50Hz", "@ 59.94Hz", "@ 75Hz"});
         }},
        {"Output Sync", "OutSyncLabel", [](const OutputInfo &r) { return decimal(r.OutputSync); }},
        {"Blend Level", "BlendLevelLabel",
         [](const OutputInfo &r) {
             return code(r.AdvancedMode, {"Basic", "Adv"});
         }},
        {"Projectors", "ProjectorsLabel",
         [](const OutputInfo &r) {
             return code(r.ProjectorGroup, {"1-4", "5-8"});
         }},
        {"Total Projectors", "TotalProjectorsLabel",
         [](const OutputInfo &r) { return decimal(r.TotalProjectors); }},
        {"Data Doubling", "DataDoublingLabel", [](const OutputInfo &r) { return decimal(r.DataDoubling); }},
        {"Justification", "JustificationLabel",
         [](const OutputInfo &r) {
             return code(r.Justification, {"Left", "Center"});
         }},
        {"Overlap Width", "OverlapWidthLabel", [](const OutputInfo &r) { return decimal(r.OverlapWidth); }},
        {"Edge Basic Gamma", "BasicEFTGammaLabel", gamma(&OutputInfo::BasicGamma)},
        {"Edge Basic Mode", "BasicEFTModeLabel",
         [](const OutputInfo &r) { return decimal(r.BasicFeathering); }},
        {"Edge Adv L Gam", "LeftEFTGammaLabel", gamma(&OutputInfo::LeftGamma)},
        {"Edge Adv L Mode", "LeftEFTModeLabel",
         [](const OutputInfo &r) { return decimal(r.LeftFeathering); }},
        {"Edge Adv R Gam", "RightEFTGammaLabel", gamma(&OutputInfo::RightGamma)},
        {"Edge Adv R Mode", "RightEFTModeLabel",
         [](const OutputInfo &r) { return decimal(r.RightFeathering); }},
        {"Halo L Width", "HaloLeftWidthLabel", [](const OutputInfo &r) { return decimal(r.LeftHaloWidth); }},
        {"Halo L Offset", "HaloLeftOffsetLabel",
         [](const OutputInfo &r) { return decimal(r.LeftHaloOffset); }},
        {"Halo R Width", "HaloRightWidthLabel",
         [](const OutputInfo &r) { return decimal(r.RightHaloWidth); }},
        {"Halo R Offset", "HaloRightOffsetLabel",
         [](const OutputInfo &r) { return decimal(r.RightHaloOffset); }},
        {"Black Level", "BlackLvlAdjCompLabel", [](const OutputInfo &r) { return decimal(r.BlackLevel); }},
    };

    input = build(QObject::tr("Input Information"), "InputInfoGroupBox", inputRows, 1, inputLabels, parent);
    output = build(QObject::tr("Output Information"), "OutputInfoGroupBoxGroupBox", outputRows, 2,
                   outputLabels, parent);
}

template <typename Record>
QGroupBox *StatusLabels::build(const QString &title, const char *name, const QList<Row<Record>> &rows,
                               int columns, QList<std::pair<QLabel *, Row<Record>>> &bound, QWidget *parent) {
    auto *group = new QGroupBox(title, parent);
    group->setObjectName(QString::fromLatin1(name));
    auto *grid = new QGridLayout(group);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(1);
    grid->setHorizontalSpacing(4);
    int captions = 0;
    for (const Row<Record> &row : rows)
        captions += row.caption ? 1 : 0;
    const int perColumn = (captions + columns - 1) / columns;

    int line = -1;
    QHBoxLayout *values = nullptr;
    QList<QHBoxLayout *> valueRows;
    for (const Row<Record> &row : rows) {
        if (row.caption) {
            ++line;
            const int column = (line / perColumn) * 2;
            grid->addWidget(new QLabel(QString::fromLatin1(row.caption), group), line % perColumn, column);
            values = new QHBoxLayout;
            values->setSpacing(2);
            grid->addLayout(values, line % perColumn, column + 1);
            valueRows.append(values);
        }
        if (row.before) values->addWidget(new QLabel(QString::fromLatin1(row.before), group));
        auto *label = new QLabel(QObject::tr("N/A"), group);
        label->setObjectName(QString::fromLatin1(row.name));
        values->addWidget(label);
        if (row.unit) values->addWidget(new QLabel(QString::fromLatin1(row.unit), group));
        bound.append({label, row});
    }
    for (QHBoxLayout *box : valueRows)
        box->addStretch(1);
    for (int c = 1; c < columns * 2; c += 2)
        grid->setColumnStretch(c, 1);
    return group;
}

template <typename Record>
void StatusLabels::show(const Record &record, const QList<std::pair<QLabel *, Row<Record>>> &bound) {
    for (const auto &[label, row] : bound)
        if (const Text text = row.text(record)) label->setText(*text);
}

void StatusLabels::ShowInputInfo(const InputInfo &record) {
    show(record, inputLabels);
}

void StatusLabels::ShowOutputInfo(const OutputInfo &record) {
    show(record, outputLabels);
}
