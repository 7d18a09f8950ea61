// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConfigFile.h"
#include "DeviceModel.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>

// The configuration file: its byte layout, the round trip, and that no failure ever costs the user the
// model in memory or the file already on disk.
class tst_configfile : public QObject {
    Q_OBJECT

private slots:
    void init();
    void layoutPutsEveryBlockAtItsOffset();
    void saveLoadSaveIsByteIdentical();
    void wrongSizeRefusedModelUntouched_data();
    void wrongSizeRefusedModelUntouched();
    void missingFileRefused();
    void failedSaveKeepsOldFile_data();
    void failedSaveKeepsOldFile();
    void fullDiskKeepsOldFile();

private:
    void fillTablesWithPattern(quint8 seed);
    QByteArray tablesSnapshot() const { return model->image(); }
    static bool writeFile(const QString &path, const QByteArray &bytes);
    QTemporaryDir dir;
    std::unique_ptr<DeviceModel> model;
};

void tst_configfile::init() {
    model = std::make_unique<DeviceModel>();
}

// Every stored byte gets a value that depends on its position, so swapped blocks show.
void tst_configfile::fillTablesWithPattern(quint8 seed) {
    QByteArray image(int(ConfigFile::FileSize), '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = char(quint8(seed + i * 7));
    QVERIFY(model->applyImage(image));
}

bool tst_configfile::writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

void tst_configfile::layoutPutsEveryBlockAtItsOffset() {
    model->editOutput(1, 1, [](OutputInfo &o) {
        o.TotalProjectors = 7;
        o.OverlapWidth = 0x01020304;
    });
    model->editInput(2, 3, [](InputInfo &i) { i.HPosition = -2; });
    model->editOutput(2, 4, [](OutputInfo &o) { o.TotalProjectors = 9; });
    // slot 0 travels with the rest
    model->editInput(1, 0, [](InputInfo &i) { reinterpret_cast<quint8 *>(&i)[0] = 0xA5; });

    const QByteArray bytes = model->image();
    QCOMPARE(bytes.size(), 1720);
    QCOMPARE(quint8(bytes[933]), quint8(7));
    QCOMPARE(bytes.mid(936, 4), QByteArray("\x04\x03\x02\x01", 4));
    const int hpos = 420 + 84 * 3 + int(offsetof(InputInfo, HPosition));
    QCOMPARE(bytes.mid(hpos, 4), QByteArray("\xFE\xFF\xFF\xFF", 4));
    QCOMPARE(quint8(bytes[1280 + 88 * 4 + 5]), quint8(9));
    QCOMPARE(quint8(bytes[0]), quint8(0xA5));
}

void tst_configfile::saveLoadSaveIsByteIdentical() {
    fillTablesWithPattern(3);
    const QByteArray before = tablesSnapshot();
    const QString first = dir.filePath("first.kxc"), second = dir.filePath("second.kxc");
    QCOMPARE(ConfigFile::SaveConfigurationFile(*model, first), ConfigFile::Result::Ok);

    fillTablesWithPattern(77);
    QCOMPARE(ConfigFile::LoadConfigurationFile(*model, first), ConfigFile::Result::Ok);
    QCOMPARE(ConfigFile::SaveConfigurationFile(*model, second), ConfigFile::Result::Ok);

    QFile a(first), b(second);
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    const QByteArray bytesA = a.readAll();
    QCOMPARE(bytesA.size(), 1720);
    QCOMPARE(bytesA, b.readAll());
    QCOMPARE(tablesSnapshot(), before);
}

void tst_configfile::wrongSizeRefusedModelUntouched_data() {
    QTest::addColumn<int>("size");
    QTest::newRow("empty") << 0;
    QTest::newRow("one short") << 1719;
    QTest::newRow("one long") << 1721;
}

void tst_configfile::wrongSizeRefusedModelUntouched() {
    QFETCH(int, size);
    const QString path = dir.filePath(QStringLiteral("size%1.kxc").arg(size));
    QVERIFY(writeFile(path, QByteArray(size, '\x55')));
    fillTablesWithPattern(9);
    const QByteArray before = tablesSnapshot();
    QCOMPARE(ConfigFile::LoadConfigurationFile(*model, path), ConfigFile::Result::BadSize);
    QCOMPARE(tablesSnapshot(), before);
    QCOMPARE(ConfigFile::message(ConfigFile::Result::BadSize),
             QStringLiteral("Error! File corrupted. File size invalid."));
}

void tst_configfile::missingFileRefused() {
    fillTablesWithPattern(11);
    const QByteArray before = tablesSnapshot();
    QCOMPARE(ConfigFile::LoadConfigurationFile(*model, dir.filePath("nothing-here.kxc")),
             ConfigFile::Result::CannotOpen);
    QCOMPARE(tablesSnapshot(), before);
    QCOMPARE(ConfigFile::message(ConfigFile::Result::CannotOpen),
             QStringLiteral("Error! Unable to open Configuration file. Check if file exist?"));
}

void tst_configfile::failedSaveKeepsOldFile_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("missing directory") << QStringLiteral("no/such/dir/x.kxc");
    QTest::newRow("path is a directory") << QStringLiteral("adir");
    // Renaming over it would leave a regular file where the FIFO (or a device node) was.
    QTest::newRow("path is a FIFO") << QStringLiteral("afifo");
}

void tst_configfile::failedSaveKeepsOldFile() {
    QFETCH(QString, path);
    QVERIFY(QDir(dir.path()).mkpath("adir"));
    const QByteArray fifo = QFile::encodeName(dir.filePath("afifo"));
    QVERIFY(::mkfifo(fifo.constData(), 0600) == 0 || errno == EEXIST);
    QCOMPARE(ConfigFile::SaveConfigurationFile(*model, dir.filePath(path)), ConfigFile::Result::CannotCreate);
    struct stat info {};
    QCOMPARE(::stat(fifo.constData(), &info), 0);
    QVERIFY(S_ISFIFO(info.st_mode));
    QCOMPARE(ConfigFile::message(ConfigFile::Result::CannotCreate),
             QStringLiteral("Error! Unable to create Configuration file. Check if disk is write-protected"));
}

// A disk that fills up part-way: the file-size limit makes the write fail after 1000 bytes, as ENOSPC
// would. The file already there must survive whole.
void tst_configfile::fullDiskKeepsOldFile() {
    const QString path = dir.filePath("kept.kxc");
    const QByteArray old(1720, '\x42');
    QVERIFY(writeFile(path, old));
    fillTablesWithPattern(5);

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 1000;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const ConfigFile::Result result = ConfigFile::SaveConfigurationFile(*model, path);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);

    QCOMPARE(result, ConfigFile::Result::CannotCreate);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), old);
    QCOMPARE(QDir(dir.path()).entryList({"kept*"}, QDir::Files),
             QStringList{"kept.kxc"}); // no stray temporary
}

QTEST_GUILESS_MAIN(tst_configfile)
#include "tst_configfile.moc"
