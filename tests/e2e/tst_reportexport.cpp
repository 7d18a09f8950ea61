// SPDX-License-Identifier: GPL-3.0-or-later
// File > Export Commissioning Report through the real window: the site note and the file asked, and the
// PDF holding the window's plan, the devices' IDs and versions, every value by channel (one changed in
// the window included), and the link.
#include "ConfigFile.h"
#include "ConfigFileMenu.h"
#include "DeviceModel.h"
#include "LinkRig.h"
#include "ModelFields.h"
#include "PdfText.h"
#include "ReportExport.h"

#include <QAction>
#include <QDate>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

SimOptions controller() {
    SimOptions o;
    o.mode = SimOptions::Controller;
    o.ids = {5, 6};
    o.onlyAtModeBaud = true;
    return o;
}

void connectWithWall(LinkRig &rig, int n) {
    for (int d = 1; d <= 2; ++d) {
        SimDevice device = rig.com1->device(d);
        for (SimOutputChannel &output : device.outputs)
            output.totalProjectors = quint8(n);
        rig.com1->setDevice(d, device);
    }
    rig.host.expectYesNo(true, "Serial communication established with Controller.");
    rig.trigger("KestrixconnectedthruController1");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    rig.host.entries.clear();
    rig.com1->clearRequests();
}

} // namespace

class ReportExportTest : public QObject {
    Q_OBJECT
private slots:
    void reportOfTheWindow();
    void cancelledWritesNothing();
    void openedFileIsNotEditedSince();
};

void ReportExportTest::reportOfTheWindow() {
    const SimOptions sim = controller();
    LinkRig rig(&sim, nullptr);
    rig.showOffline();
    connectWithWall(rig, 6);
    // A value set in the window since the read: the report holds the window's value.
    rig.form->model().editOutput(2, 1, [](OutputInfo &o) { o.BlackLevel = 44; });

    QTemporaryDir dir;
    const QString path = dir.filePath("site.pdf");
    rig.form->reportExport().setNoteDialog([] { return std::optional<QString>("Hall B, north wall"); });
    rig.form->reportExport().setSaveDialog([&] { return path; });
    rig.trigger("ExportCommissioningReport1");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QVERIFY(rig.host.messages().isEmpty());
    QVERIFY(rig.com1->requests().isEmpty()); // the report reads what the window holds

    QString problem;
    const QString text = pdfText(path, &problem);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QVERIFY(text.contains("Hall B, north wall"));
    QVERIFY(text.contains(QDate::currentDate().toString(Qt::ISODate)));
    const QStringList rows{
        "Number of projectors\\s+6\\b",
        "Kestrix devices required\\s+2\\b",
        "Kestrix 1\\s+Value\\s+RS-485 ID\\s+5\\s+Version\\s+2\\.17a",
        "Kestrix 2\\s+Value\\s+RS-485 ID\\s+6\\s+Version\\s+2\\.17a",
        "Output record form\\s+long: feathering widths and offsets, no halos",
        "BlackLevel\\s+0\\s+0\\s+0\\s+0\\b[\\s\\S]*BlackLevel\\s+44\\s+0\\s*\\n",
        "Settings from\\s+the Lumivane window, as read from the Kestrix\\(s\\) and edited since",
        "TotalProjectors\\s+6\\s+6\\s+6\\s+6\\b",
        "Black levels differ at the seam of screens 4 and 5 \\(0 and 44\\)",
        "Baud: 57600",
        "Mode: through the Controller \\(RS-485\\)",
        "Link: established",
        "Port: " + QRegularExpression::escape(rig.com1->slavePath())};
    for (const QString &row : rows)
        QVERIFY2(QRegularExpression(row).match(text).hasMatch(), qPrintable(row + " not in:\n" + text));
}

void ReportExportTest::cancelledWritesNothing() {
    LinkRig rig(nullptr, nullptr);
    rig.showOffline();
    QTemporaryDir dir;
    const QString path = dir.filePath("none.pdf");
    int asked = 0;
    rig.form->reportExport().setNoteDialog([] { return std::optional<QString>(); });
    rig.form->reportExport().setSaveDialog([&] {
        ++asked;
        return path;
    });
    rig.trigger("ExportCommissioningReport1");
    QCOMPARE(asked, 0);
    QVERIFY(!QFile::exists(path));
    // Offline, the report still comes: the plan and what the window holds, the link down.
    rig.form->reportExport().setNoteDialog([] { return std::optional<QString>(""); });
    rig.trigger("ExportCommissioningReport1");
    QString problem;
    const QString text = pdfText(path, &problem);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QVERIFY(text.contains("Link: down"));
    QVERIFY(QRegularExpression("RS-485 ID\\s+not known").match(text).hasMatch());
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
}

// A file just opened is reported as loaded, not as edited since; an edit makes it so, and taking the edit
// back makes it so no more. The slices run from 0 to the image width, as the report's blend picture lays
// the wall out, for the centred wall of three projectors, and only its three screens are listed.
void ReportExportTest::openedFileIsNotEditedSince() {
    LinkRig rig(nullptr, nullptr);
    rig.showOffline();
    QTemporaryDir dir;
    QByteArray bytes(int(ConfigFile::FileSize), '\0');
    auto set = [&bytes](const char *name, int channel, double value) {
        const ModelFields::Field *field =
            ModelFields::find(ModelFields::Record::Output, QString::fromLatin1(name));
        QVERIFY(field && ModelFields::setValue(bytes, *field, 1, channel, value));
    };
    set("TotalProjectors", 1, 3);
    set("Justification", 1, 1);
    set("OverlapWidth", 1, 384);
    set("OutputFormat", 1, 3); // 1280x1024
    for (int c = 1; c <= 4; ++c)
        for (const char *gamma : {"BasicGamma", "LeftGamma", "RightGamma"})
            set(gamma, c, 2.2);
    const QString file = dir.filePath("wall.kxc");
    {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        QCOMPARE(out.write(bytes), bytes.size());
    }
    rig.form->configFiles().setOpenDialog([file] { return file; });
    rig.trigger("OpenConfigurationFile1");
    QCOMPARE(rig.host.messages().last(),
             QString("File open successful. Lumivane updated with settings from file."));

    const QString path = dir.filePath("r.pdf");
    rig.form->reportExport().setNoteDialog([] { return std::optional<QString>(""); });
    rig.form->reportExport().setSaveDialog([&] { return path; });
    auto report = [&] {
        QFile::remove(path);
        rig.trigger("ExportCommissioningReport1");
        QString problem;
        const QString text = pdfText(path, &problem);
        if (!problem.isEmpty()) qWarning("%s", qPrintable(problem));
        return text;
    };
    const QRegularExpression loaded("Settings from\\s+the Lumivane window, as loaded from a file\\s*\\n");
    const QRegularExpression edited(
        "Settings from\\s+the Lumivane window, as loaded from a file and edited since");
    QString text = report();
    QVERIFY2(loaded.match(text).hasMatch(), qPrintable(text));
    QVERIFY2(!edited.match(text).hasMatch(), qPrintable(text));
    for (const char *row :
         {"\\n1\\s+0\\s+1280\\s*\\n", "\\n2\\s+896\\s+2176\\s*\\n", "\\n3\\s+1792\\s+3072\\s*\\n",
          "Input image size\\s+3072 x 1024", "Ch 3 \\(screen 3\\)"})
        QVERIFY2(QRegularExpression(row).match(text).hasMatch(),
                 qPrintable(QString(row) + " not in:\n" + text));
    QVERIFY2(!text.contains("screen 4"), qPrintable(text));
    QVERIFY2(!QRegularExpression("\\n4\\s+\\d+\\s+\\d+\\s*\\n").match(text).hasMatch(), qPrintable(text));

    rig.form->model().editOutput(1, 2, [](OutputInfo &o) { o.BlackLevel = 9; });
    text = report();
    QVERIFY2(edited.match(text).hasMatch(), qPrintable(text));
    rig.form->model().editOutput(1, 2, [](OutputInfo &o) { o.BlackLevel = 0; });
    text = report();
    QVERIFY2(loaded.match(text).hasMatch(), qPrintable(text));
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
}

QTEST_MAIN(ReportExportTest)
#include "tst_reportexport.moc"
