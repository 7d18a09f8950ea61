// SPDX-License-Identifier: GPL-3.0-or-later
#include "FuzzTargets.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTest>

// Replays every seed and every input a fuzz run ever found a fault with through its target. Under the
// sanitizer build this also catches out-of-bounds reads on them.
class FuzzReplayTest : public QObject {
    Q_OBJECT
private slots:
    void replay_data() {
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("path");
        int index = 0;
        for (const FuzzTargets::Entry &entry : FuzzTargets::kAll) {
            int files = 0;
            for (const char *folder : {"corpus", "regressions"}) {
                const QString dir = QStringLiteral(LUMIVANE_FUZZ_DIR "/%1/%2").arg(folder, entry.name);
                QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
                while (it.hasNext()) {
                    const QString path = it.next();
                    QTest::addRow("%s/%s/%s", folder, entry.name, qPrintable(QFileInfo(path).fileName()))
                        << index << path;
                    ++files;
                }
            }
            // A target without seeds would be replayed by nothing.
            if (files == 0) qFatal("no seed corpus for fuzz target %s", entry.name);
            ++index;
        }
    }

    void replay() {
        QFETCH(int, target);
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.errorString()));
        const QByteArray bytes = file.readAll();
        const char *fault = FuzzTargets::kAll[target].run(
            reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
        QVERIFY2(!fault, fault);
    }
};

QTEST_GUILESS_MAIN(FuzzReplayTest)
#include "tst_fuzzreplay.moc"
