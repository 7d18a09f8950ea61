// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConfigFile.h"
#include "DeviceModel.h"
#include "ModelFields.h"
#include "SettingCatalogue.h"

#include <QSet>
#include <QTest>

#include <cmath>
#include <cstring>
#include <limits>

using ModelFields::Field;
using ModelFields::Record;

Q_DECLARE_METATYPE(Record)

// The field catalogue: that it names every byte of the records that is not padding, and that values
// read, written and shown through it land where the model and the file keep them.
class tst_modelfields : public QObject {
    Q_OBJECT

private slots:
    void catalogueCoversEveryMember_data();
    void catalogueCoversEveryMember();
    void valuesSitWhereTheModelKeepsThem();
    void roundTrip_data();
    void roundTrip();
    void valuesRefused_data();
    void valuesRefused();
    void addressesRefused();
};

void tst_modelfields::catalogueCoversEveryMember_data() {
    QTest::addColumn<Record>("record");
    QTest::addColumn<int>("recordSize");
    QTest::addColumn<QList<int>>("padding"); // the byte offsets no member owns
    QTest::addColumn<int>("count");
    QTest::newRow("input") << Record::Input << 84 << QList<int>{2, 3, 10, 11, 42, 43} << 24;
    QTest::newRow("output") << Record::Output << 88 << QList<int>{18, 19, 26, 27, 34, 35, 87} << 39;
}

// Every byte of the record is either owned by exactly one field or is known padding; a member added,
// dropped or given the wrong width shows up as a gap, an overlap or a byte past the end.
void tst_modelfields::catalogueCoversEveryMember() {
    QFETCH(Record, record);
    QFETCH(int, recordSize);
    QFETCH(QList<int>, padding);
    QFETCH(int, count);

    QList<int> owners(recordSize, 0);
    QSet<QString> names;
    int fields = 0;
    int lastOffset = -1;
    bool inputsDone = false;
    for (const Field &f : ModelFields::all()) {
        if (f.record == Record::Output) inputsDone = true;
        QVERIFY2(!(inputsDone && f.record == Record::Input), f.name); // inputs come first
        if (f.record != record) continue;
        ++fields;
        QVERIFY2(f.offset > lastOffset, f.name); // member order
        lastOffset = f.offset;
        QVERIFY2(!names.contains(QString::fromLatin1(f.name)), f.name);
        names.insert(QString::fromLatin1(f.name));
        QVERIFY2(f.offset + ModelFields::size(f.type) <= recordSize, f.name);
        for (int b = 0; b < ModelFields::size(f.type); ++b)
            ++owners[f.offset + b];
        QCOMPARE(ModelFields::find(record, QString::fromLatin1(f.name)), &f);
        QVERIFY2(!SettingCatalogue::deviceWide(f) || f.record == Record::Output, f.name);
    }
    QCOMPARE(fields, count);
    for (int b = 0; b < recordSize; ++b)
        QVERIFY2(owners[b] == (padding.contains(b) ? 0 : 1), qPrintable(QStringLiteral("byte %1").arg(b)));
    QCOMPARE(ModelFields::find(record, QStringLiteral("pad2")), nullptr);
}

// Values put into the tables through the record members come out of the file image under the member's
// name, from the right device and channel.
void tst_modelfields::valuesSitWhereTheModelKeepsThem() {
    DeviceModel model;
    model.editInput(2, 3, [](InputInfo &i) { i.HPosition = -123456; });
    model.editInput(1, 4, [](InputInfo &i) { i.BlueBrightness = -0.1f; });
    model.editOutput(1, 1, [](OutputInfo &o) { o.BasicGamma = 2.2f; });
    model.editOutput(1, 2, [](OutputInfo &o) { o.BasicFeathering = -3; });
    model.editOutput(2, 4, [](OutputInfo &o) { o.SeamGain[2] = 200; });
    model.editOutput(2, 1, [](OutputInfo &o) { o.BridgeThreshold = 17; });
    const QByteArray image = model.image();

    struct Case {
        Record record;
        const char *name;
        int device, channel;
        double value;
        const char *text;
    };
    const Case cases[] = {
        {Record::Input, "HPosition", 2, 3, -123456, "-123456"},
        {Record::Input, "HPosition", 1, 3, 0, "0"},
        {Record::Input, "HPosition", 2, 2, 0, "0"},
        {Record::Input, "BlueBrightness", 1, 4, double(-0.1f), "-0.1"},
        {Record::Output, "BasicGamma", 1, 1, double(2.2f), "2.2"},
        {Record::Output, "BasicFeathering", 1, 2, -3, "-3"},
        {Record::Output, "SeamGain3", 2, 4, 200, "200"},
        {Record::Output, "SeamGain2", 2, 4, 0, "0"},
        {Record::Output, "BridgeThreshold", 2, 1, 17, "17"},
    };
    for (const Case &c : cases) {
        const Field *f = ModelFields::find(c.record, QString::fromLatin1(c.name));
        QVERIFY2(f, c.name);
        QCOMPARE(ModelFields::value(image, *f, c.device, c.channel), c.value);
        QCOMPARE(ModelFields::text(image, *f, c.device, c.channel), QString::fromLatin1(c.text));
    }
    QVERIFY(ModelFields::find(Record::Output, QStringLiteral("seamgain3"))); // letter case ignored
    QCOMPARE(ModelFields::find(Record::Input, QStringLiteral("SeamGain3")), nullptr);
}

void tst_modelfields::roundTrip_data() {
    QTest::addColumn<Record>("record");
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    const double i32max = std::numeric_limits<qint32>::max();
    const double i32min = std::numeric_limits<qint32>::min();
    const double fmax = std::numeric_limits<float>::max();
    const double fdenorm = std::numeric_limits<float>::denorm_min();
    QTest::newRow("u8 max") << Record::Output << "BlackLevel" << 255.0 << "255";
    QTest::newRow("u8 zero") << Record::Input << "SyncSelect" << 0.0 << "0";
    QTest::newRow("i16 min") << Record::Output << "LeftFeathering" << -32768.0 << "-32768";
    QTest::newRow("i16 max") << Record::Output << "RightFeathering" << 32767.0 << "32767";
    QTest::newRow("i32 max") << Record::Output << "OverlapWidth" << i32max << "2147483647";
    QTest::newRow("i32 min") << Record::Input << "VPosition" << i32min << "-2147483648";
    QTest::newRow("f32 0.1") << Record::Input << "OverallContrast" << 0.1 << "0.1";
    QTest::newRow("f32 negative") << Record::Input << "RedBrightness" << -12.5 << "-12.5";
    QTest::newRow("f32 1/3") << Record::Output << "LeftGamma" << 1.0 / 3 << "0.33333334";
    QTest::newRow("f32 max") << Record::Output << "RightGamma" << fmax << "3.4028235e+38";
    QTest::newRow("f32 denormal") << Record::Output << "BasicGamma" << fdenorm << "1e-45";
    QTest::newRow("f32 negative zero") << Record::Input << "GreenContrast" << -0.0 << "-0";
}

// Written into an image, the value reads back as the type stores it, shows as the expected text, that
// text written back stores the same bytes, and the model gets it in that member once the image is
// applied.
void tst_modelfields::roundTrip() {
    QFETCH(Record, record);
    QFETCH(QString, name);
    QFETCH(double, value);
    QFETCH(QString, text);
    const Field *f = ModelFields::find(record, name);
    QVERIFY(f);

    QByteArray image(ConfigFile::FileSize, '\0');
    QVERIFY(ModelFields::setValue(image, *f, 2, 4, value));
    const double stored = f->type == ModelFields::Type::F32 ? double(float(value)) : value;
    QCOMPARE(ModelFields::value(image, *f, 2, 4), stored);
    QCOMPARE(ModelFields::text(image, *f, 2, 4), text);
    QByteArray reread(ConfigFile::FileSize, '\0');
    QVERIFY(ModelFields::setValue(reread, *f, 2, 4, text.toDouble()));
    QCOMPARE(reread, image);

    // Only the field's own bytes changed.
    QByteArray zeroed = image;
    QVERIFY(ModelFields::setValue(zeroed, *f, 2, 4, 0));
    QCOMPARE(zeroed, QByteArray(ConfigFile::FileSize, '\0'));

    // A system value is the device's: the model takes it from channel 1 for every channel.
    if (SettingCatalogue::deviceWide(*f)) QVERIFY(ModelFields::setValue(image, *f, 2, 1, value));
    DeviceModel model;
    QVERIFY(model.applyImage(image));
    QCOMPARE(ModelFields::value(model.image(), *f, 2, 4), stored);
}

void tst_modelfields::valuesRefused_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("value");
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("u8 256") << "BlackLevel" << 256.0;
    QTest::newRow("u8 -1") << "BlackLevel" << -1.0;
    QTest::newRow("u8 fraction") << "BlackLevel" << 1.5;
    QTest::newRow("i16 32768") << "LeftFeathering" << 32768.0;
    QTest::newRow("i16 -32769") << "LeftFeathering" << -32769.0;
    QTest::newRow("i32 2^31") << "OverlapWidth" << 2147483648.0;
    QTest::newRow("i32 -2^31-1") << "OverlapWidth" << -2147483649.0;
    QTest::newRow("i32 nan") << "OverlapWidth" << nan;
    QTest::newRow("f32 infinity") << "BasicGamma" << inf;
    QTest::newRow("f32 -infinity") << "BasicGamma" << -inf;
    QTest::newRow("f32 nan") << "BasicGamma" << nan;
    QTest::newRow("f32 beyond float") << "BasicGamma" << 1e39;
    // Halfway between the largest float and 2^128 would round to infinity.
    QTest::newRow("f32 rounds to infinity") << "BasicGamma" << -(0x1p128 - 0x1p103);
}

void tst_modelfields::valuesRefused() {
    QFETCH(QString, name);
    QFETCH(double, value);
    const Field *f = ModelFields::find(Record::Output, name);
    QVERIFY(f);
    QByteArray image(ConfigFile::FileSize, '\x5A');
    const QByteArray before = image;
    QVERIFY(!ModelFields::setValue(image, *f, 1, 1, value));
    QCOMPARE(image, before);
}

// Addresses outside devices 1..2 and channels 1..4, images of any other size and fields that would
// reach past their record are refused without touching a byte outside the buffer.
void tst_modelfields::addressesRefused() {
    const Field &last = ModelFields::all().constLast(); // the field nearest the end of the image
    QCOMPARE(QString::fromLatin1(last.name), QStringLiteral("BridgeThreshold"));
    const Field wide{Record::Output, "beyond", 86, ModelFields::Type::I32, true};
    const Field negative{Record::Input, "before", -1, ModelFields::Type::U8, true};

    struct Case {
        const Field *field;
        int device, channel, imageSize;
    };
    const Case cases[] = {
        {&last, 0, 1, ConfigFile::FileSize},
        {&last, 3, 1, ConfigFile::FileSize},
        {&last, 1, 0, ConfigFile::FileSize},
        {&last, 2, 5, ConfigFile::FileSize},
        {&last, -1, -1, ConfigFile::FileSize},
        {&last, 2, 4, ConfigFile::FileSize - 2},
        {&last, 1, 1, 0},
        {&wide, 2, 4, ConfigFile::FileSize},
        {&wide, 1, 1, ConfigFile::FileSize + 8},
        {&negative, 1, 1, ConfigFile::FileSize},
    };
    for (const Case &c : cases) {
        const QString where = QStringLiteral("%1 device %2 channel %3 image %4")
                                  .arg(QLatin1StringView(c.field->name))
                                  .arg(c.device)
                                  .arg(c.channel)
                                  .arg(c.imageSize);
        QByteArray image(c.imageSize, '\x11');
        QVERIFY2(std::isnan(ModelFields::value(image, *c.field, c.device, c.channel)), qPrintable(where));
        QVERIFY2(ModelFields::text(image, *c.field, c.device, c.channel).isEmpty(), qPrintable(where));
        QVERIFY2(!ModelFields::setValue(image, *c.field, c.device, c.channel, 1), qPrintable(where));
        QVERIFY2(image == QByteArray(c.imageSize, '\x11'), qPrintable(where));
    }
    // The very last stored byte is reachable.
    QByteArray image(ConfigFile::FileSize, '\0');
    QVERIFY(ModelFields::setValue(image, last, 2, 4, 9));
    QCOMPARE(image.at(ConfigFile::FileSize - 2), char(9));
}

QTEST_GUILESS_MAIN(tst_modelfields)
#include "tst_modelfields.moc"
