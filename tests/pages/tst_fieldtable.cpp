// SPDX-License-Identifier: GPL-3.0-or-later
// The field table against the names, texts and parameters the program must use.
#include "FieldTable.h"

#include <QSet>
#include <QtTest>

namespace {
QStringList range(const char *pattern, int from, int to) {
    QStringList names;
    for (int i = from; i <= to; ++i)
        names.append(QString::fromLatin1(pattern).arg(i));
    return names;
}

QStringList namesOf(FamilyId family) {
    QStringList names;
    for (const FieldRow &r : fieldRows())
        if (r.family == family) names.append(r.name);
    return names;
}
} // namespace

class FieldTableTest : public QObject {
    Q_OBJECT
private slots:
    void familiesHoldTheirFields_data();
    void familiesHoldTheirFields();
    void familyTexts_data();
    void familyTexts();
    void fieldRows_data();
    void fieldRows();
};

void FieldTableTest::familiesHoldTheirFields_data() {
    QTest::addColumn<int>("family");
    QTest::addColumn<QStringList>("names");
    using F = FamilyId;
    QTest::newRow("black") << int(F::BlackLevel) << range("Black%1Edit", 1, 8);
    QTest::newRow("halo width") << int(F::HaloWidth)
                                << QStringList{"HaloWidth1Edit"} + range("LHaloWidth%1Edit", 2, 7) +
                                       range("RHaloWidth%1Edit", 2, 7) + QStringList{"HaloWidth8Edit"};
    QTest::newRow("halo offset") << int(F::HaloOffset)
                                 << QStringList{"HaloOffset1Edit"} + range("LHaloOffset%1Edit", 2, 7) +
                                        range("RHaloOffset%1Edit", 2, 7) + QStringList{"HaloOffset8Edit"};
    QTest::newRow("edge gamma") << int(F::EdgeGamma)
                                << QStringList{"Gamma1Edit", "LGamma1Edit"} + range("LGamma%1Edit", 2, 7) +
                                       range("RGamma%1Edit", 2, 7) + QStringList{"Gamma8Edit"};
    QTest::newRow("feather width") << int(F::FeatherWidth)
                                   << QStringList{"GammaWidth1Edit"} + range("LGammaWidth%1Edit", 1, 8) +
                                          range("RGammaWidth%1Edit", 2, 7);
    QTest::newRow("feather offset") << int(F::FeatherOffset)
                                    << QStringList{"GammaOffset1Edit"} + range("LGammaOffset%1Edit", 1, 8) +
                                           range("RGammaOffset%1Edit", 2, 7);
    QTest::newRow("basic gamma") << int(F::BasicGamma) << QStringList{"BasicGammaEdit"};
    QTest::newRow("seam gain") << int(F::SeamGain) << range("SeamGain%1Edit", 1, 8);
    QTest::newRow("bridge") << int(F::BridgeThreshold) << QStringList{"BridgeThresholdEdit"};
    QTest::newRow("overall") << int(F::OverallLevel)
                             << QStringList{"LeftOContrastEdit", "LeftOBrightnessEdit"};
    QTest::newRow("colour") << int(F::ColourLevel) << QStringList{"LeftRContrastEdit", "LeftRBrightnessEdit",
                                                                  "LeftGContrastEdit", "LeftGBrightnessEdit",
                                                                  "LeftBContrastEdit", "LeftBBrightnessEdit"};
    QTest::newRow("h") << int(F::HPosition) << QStringList{"HPositionEdit"};
    QTest::newRow("v") << int(F::VPosition) << QStringList{"VPositionEdit"};
    QTest::newRow("phase") << int(F::Phase) << QStringList{"PhaseEdit"};
}

void FieldTableTest::familiesHoldTheirFields() {
    QFETCH(int, family);
    QFETCH(QStringList, names);
    QStringList actual = namesOf(FamilyId(family));
    actual.sort();
    names.sort();
    QCOMPARE(actual, names);
    // 102 fields in all, each name once.
    QCOMPARE(::fieldRows().size(), 102);
    QSet<QString> unique;
    for (const FieldRow &r : ::fieldRows())
        unique.insert(r.name);
    QCOMPARE(unique.size(), 102);
}

void FieldTableTest::familyTexts_data() {
    QTest::addColumn<int>("family");
    QTest::addColumn<QString>("outOfRange");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("noun");
    using F = FamilyId;
    const QString bounds = "Error! Value out of bounds! ";
    QTest::newRow("black") << int(F::BlackLevel) << bounds << "(0 - 255)"
                           << "' is not a valid Black Level.";
    QTest::newRow("halo width") << int(F::HaloWidth) << "Error! Halo width out of bounds. "
                                << "(0 - 64)"
                                << "' is not a valid Halo width value.";
    QTest::newRow("halo offset") << int(F::HaloOffset) << "Error! Halo offset out of bounds. "
                                 << "(0 - 255)"
                                 << "' is not a valid Halo offset value.";
    QTest::newRow("gamma") << int(F::EdgeGamma) << bounds << "(1.0 - 5.0)"
                           << "' is not a valid Edge Feathering Gamma value.";
    QTest::newRow("feather width") << int(F::FeatherWidth) << "Error! Gamma width out of bounds."
                                   << ""
                                   << "' is not a valid width value.";
    QTest::newRow("feather offset") << int(F::FeatherOffset) << "Error! Offset out of bounds. "
                                    << "(0 - 511)"
                                    << "' is not a valid offset value.";
    QTest::newRow("basic") << int(F::BasicGamma) << bounds << "(1.0 - 5.0)"
                           << "' is not a valid Edge Feathering Gamma value.";
    QTest::newRow("seam") << int(F::SeamGain) << "Error! Seam Position value out of bounds! "
                          << "(0 - 255)"
                          << "' is not a valid Seam Gain Value.";
    QTest::newRow("bridge") << int(F::BridgeThreshold) << "Error! Bridge Threshold value out of bounds! "
                            << "(0 - 255)"
                            << "' is not a valid Bridge Threshold value.";
    QTest::newRow("overall") << int(F::OverallLevel) << bounds << "(75 - 125)"
                             << "' is not a valid Contrast Level.";
    QTest::newRow("colour") << int(F::ColourLevel) << bounds << "(-25 - +25)"
                            << "' is not a valid Contrast Level.";
    QTest::newRow("h") << int(F::HPosition) << "Error! H Position value out of bounds! "
                       << ""
                       << "' is not a valid H Position Value.";
    QTest::newRow("v") << int(F::VPosition) << "Error! V Position value out of bounds! "
                       << ""
                       << "' is not a valid V Position Value.";
    QTest::newRow("phase") << int(F::Phase) << "Error! Phase Offset value out of bounds! "
                           << "(-16 - +15)"
                           << "' is not a valid Phase Value.";
}

void FieldTableTest::familyTexts() {
    QFETCH(int, family);
    const FieldFamily &f = fieldFamily(FamilyId(family));
    QCOMPARE(int(f.id), family);
    QTEST(f.outOfRange, "outOfRange");
    QTEST(f.rangeLabel, "label");
    QTEST(f.noun, "noun");
}

void FieldTableTest::fieldRows_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("screen");
    QTest::addColumn<QString>("edge");
    QTest::addColumn<QString>("partner");
    QTest::addColumn<QString>("enter");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("maxLength");
    QTest::addColumn<int>("interval");
    const QString pattern = kEnterTestPattern;
    // name, screen, edge, partner, enter, initial text, max length, spin interval
    QTest::newRow("Black1") << "Black1Edit" << 1 << ""
                            << ""
                            << "HaloWidth1Edit"
                            << "0" << 5 << 105;
    QTest::newRow("Black3") << "Black3Edit" << 3 << ""
                            << ""
                            << "LHaloWidth3Edit"
                            << "0" << 0 << 105;
    QTest::newRow("Black4") << "Black4Edit" << 4 << ""
                            << ""
                            << "LHaloWidth4Edit"
                            << "0" << 0 << 250;
    QTest::newRow("Black8") << "Black8Edit" << 8 << ""
                            << ""
                            << "HaloWidth8Edit"
                            << "0" << 0 << 250;
    QTest::newRow("HaloWidth1") << "HaloWidth1Edit" << 1 << "R"
                                << "HaloOffset1Edit"
                                << "HaloOffset1Edit"
                                << "0" << 3 << 250;
    QTest::newRow("LHaloOffset5") << "LHaloOffset5Edit" << 5 << "L"
                                  << "LHaloWidth5Edit"
                                  << "LHaloWidth5Edit"
                                  << "0" << 4 << 250;
    QTest::newRow("HaloWidth8") << "HaloWidth8Edit" << 8 << "L"
                                << "HaloOffset8Edit"
                                << "HaloOffset8Edit"
                                << "0" << 3 << 250;
    QTest::newRow("Gamma1") << "Gamma1Edit" << 1 << "R"
                            << "" << pattern << "2.2" << 0 << 100;
    QTest::newRow("LGamma1") << "LGamma1Edit" << 1 << "L"
                             << ""
                             << "Gamma1Edit"
                             << "2.2" << 0 << 100;
    QTest::newRow("RGamma6") << "RGamma6Edit" << 6 << "R"
                             << "" << pattern << "2.2" << 0 << 100;
    QTest::newRow("Gamma8") << "Gamma8Edit" << 8 << "L"
                            << "" << pattern << "2.2" << 0 << 100;
    QTest::newRow("GammaWidth1") << "GammaWidth1Edit" << 1 << "R"
                                 << "GammaOffset1Edit"
                                 << "GammaOffset1Edit"
                                 << "0" << 4 << 250;
    QTest::newRow("LGammaWidth1") << "LGammaWidth1Edit" << 1 << "L"
                                  << "LGammaOffset1Edit"
                                  << "LGammaOffset1Edit"
                                  << "0" << 4 << 250;
    QTest::newRow("RGammaWidth6") << "RGammaWidth6Edit" << 6 << "R"
                                  << "RGammaOffset6Edit"
                                  << "RGammaOffset6Edit"
                                  << "0" << 3 << 250;
    QTest::newRow("GammaOffset1") << "GammaOffset1Edit" << 1 << "R"
                                  << "GammaWidth1Edit" << pattern << "0" << 3 << 250;
    QTest::newRow("LGammaOffset1") << "LGammaOffset1Edit" << 1 << "L"
                                   << "LGammaWidth1Edit" << kEnterRightWidthOrPattern << "0" << 3 << 250;
    QTest::newRow("LGammaOffset7") << "LGammaOffset7Edit" << 7 << "L"
                                   << "LGammaWidth7Edit" << kEnterRightWidthOrPattern << "0" << 4 << 250;
    QTest::newRow("LGammaOffset8") << "LGammaOffset8Edit" << 8 << "L"
                                   << "LGammaWidth8Edit" << pattern << "0" << 4 << 250;
    QTest::newRow("RGammaOffset2") << "RGammaOffset2Edit" << 2 << "R"
                                   << "RGammaWidth2Edit" << pattern << "0" << 4 << 250;
    QTest::newRow("BasicGamma") << "BasicGammaEdit" << 0 << ""
                                << ""
                                << "OWidthEdit"
                                << "2.2" << 4 << 106;
    QTest::newRow("SeamGain1") << "SeamGain1Edit" << 0 << ""
                               << ""
                               << "SeamGain2Edit"
                               << "0" << 4 << 120;
    QTest::newRow("SeamGain8") << "SeamGain8Edit" << 0 << ""
                               << ""
                               << "BridgeThresholdEdit"
                               << "0" << 4 << 250;
    QTest::newRow("Bridge") << "BridgeThresholdEdit" << 0 << ""
                            << ""
                            << "SeamGain1Edit"
                            << "" << 4 << 120;
    QTest::newRow("LeftOContrast") << "LeftOContrastEdit" << 0 << ""
                                   << ""
                                   << "LeftOBrightnessEdit"
                                   << "0" << 0 << 105;
    QTest::newRow("LeftBBrightness") << "LeftBBrightnessEdit" << 0 << ""
                                     << ""
                                     << "LeftOContrastEdit"
                                     << "0" << 0 << 105;
    QTest::newRow("HPosition") << "HPositionEdit" << 0 << ""
                               << ""
                               << "VPositionEdit"
                               << "0" << 0 << 105;
    QTest::newRow("VPosition") << "VPositionEdit" << 0 << ""
                               << ""
                               << "PhaseEdit"
                               << "0" << 5 << 105;
    QTest::newRow("Phase") << "PhaseEdit" << 0 << ""
                           << ""
                           << "HPositionEdit"
                           << "0" << 4 << 105;
}

void FieldTableTest::fieldRows() {
    QFETCH(QString, name);
    const FieldRow *row = findFieldRow(name);
    QVERIFY(row);
    QTEST(row->screen, "screen");
    QTEST(row->edge ? QString(QChar(row->edge)) : QString(), "edge");
    QTEST(row->partner, "partner");
    QTEST(row->enter, "enter");
    QTEST(row->initialText, "text");
    QTEST(row->maxLength, "maxLength");
    QTEST(row->spinInterval, "interval");
    QCOMPARE(row->spinName(), name.chopped(4) + "UpDown");
    if (!row->partner.isEmpty()) QCOMPARE(findFieldRow(row->partner)->partner, name);
}

QTEST_APPLESS_MAIN(FieldTableTest)
#include "tst_fieldtable.moc"
