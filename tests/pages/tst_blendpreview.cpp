// SPDX-License-Identifier: GPL-3.0-or-later
// The Blend Preview page in the real window, offline: it follows the settings model and the plan,
// redraws once per burst of changes, and only while it is showing.
#include "BlendPreviewPage.h"
#include "DeviceModel.h"
#include "ScriptedHost.h"
#include "TLumivaneForm.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QListWidget>
#include <QTabWidget>
#include <QtTest>

namespace {

// Long enough for a loaded machine under the sanitizers; the waits end as soon as the page redraws.
constexpr int kWait = 30000;

QStringList items(QListWidget *list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

} // namespace

class TestBlendPreview : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void followsTheModelAndThePlan();
    void hiddenPageWaitsUntilShown();

private:
    ScriptedHost host;
    std::unique_ptr<TLumivaneForm> form;
    QTabWidget *pages = nullptr;
    BlendPreviewPage *page = nullptr;
    QListWidget *findings = nullptr;
};

void TestBlendPreview::init() {
    host.expectYesNo(false, QStringLiteral("Lumivane requires connection to Kestrix(s) to function."));
    FormOptions options;
    options.dialogs = &host;
    options.ports.setPath(1, QStringLiteral("/nonexistent/lumivane-com1"));
    options.ports.setPath(2, QStringLiteral("/nonexistent/lumivane-com2"));
    options.quit = [] {};
    form = std::make_unique<TLumivaneForm>(options);
    form->show();
    QTRY_VERIFY_WITH_TIMEOUT(!host.messages().isEmpty(),
                             kWait); // the offline note: the first plan has been made
    pages = form->findChild<QTabWidget *>(QStringLiteral("PhasePageControl"));
    page = form->findChild<BlendPreviewPage *>(QStringLiteral("BlendPreviewTabSheet"));
    QVERIFY(pages && page);
    findings = page->findChild<QListWidget *>(QStringLiteral("BlendFindingsList"));
    QVERIFY(findings);
}

void TestBlendPreview::cleanup() {
    form.reset();
    host.entries.clear();
}

void TestBlendPreview::followsTheModelAndThePlan() {
    pages->setCurrentWidget(page);
    QTRY_VERIFY_WITH_TIMEOUT(page->isVisible(), kWait);
    // The first plan: 3 projectors overlapping by 384; the blank records feather nothing.
    QCOMPARE(page->wall().projectors.size(), 3);
    QCOMPARE(page->wall().input.overlap, 384.0);
    QCOMPARE(findings->count(), 2);
    QVERIFY2(items(findings).first().startsWith(
                 QStringLiteral("Feathering is off on both sides of the seam of screens 1 and 2")),
             qPrintable(items(findings).join('\n')));
    QVERIFY(!page->picture().isNull());
    QCOMPARE(page->picture().width(),
             page->findChild<QWidget *>(QStringLiteral("BlendPictureLabel"))->width());

    // Basic feathering switched on over the planned overlap: one redraw for the three fields, the
    // picture changes and the findings clear.
    const QImage before = page->picture();
    const int refreshes = page->refreshCount();
    form->model().editOutput(1, 1, [](OutputInfo &out) {
        out.BasicFeathering = 1;
        out.BasicGamma = 2.2f;
        out.OverlapWidth = 384;
    });
    form->model().editOutput(1, 2, [](OutputInfo &out) { out.BlackLevel = 0; }); // no change: no signal
    QTRY_COMPARE_WITH_TIMEOUT(page->refreshCount(), refreshes + 1, kWait);
    QCOMPARE(items(findings), QStringList{QStringLiteral(
                                  "No findings: the settings agree with each other and with the plan.")});
    QVERIFY(page->picture() != before);

    // One field of one screen: the neighbours' black levels now differ.
    const QImage feathered = page->picture();
    form->model().editOutput(1, 2, [](OutputInfo &out) { out.BlackLevel = 40; });
    QTRY_COMPARE_WITH_TIMEOUT(findings->count(), 2, kWait);
    QVERIFY(items(findings).first().startsWith(
        QStringLiteral("Black levels differ at the seam of screens 1 and 2 (0 and 40)")));
    QVERIFY(page->picture() != feathered);

    // The projector gamma of the light model redraws the summed light.
    const QImage at22 = page->picture();
    page->findChild<QDoubleSpinBox *>(QStringLiteral("ProjectorGammaEdit"))->setValue(2.6);
    QTRY_VERIFY_WITH_TIMEOUT(page->picture() != at22, kWait);
    QCOMPARE(page->wall().input.projectorGamma, 2.6);
    QVERIFY(page->wall().seams.first().minLight < 0.95);

    // A plan of four projectors, chosen on the Planning page, is drawn when the page is shown again.
    pages->setCurrentIndex(0);
    auto *count = form->findChild<QComboBox *>(QStringLiteral("NumOfScreenComboBox"));
    QVERIFY(count);
    count->setCurrentIndex(3);
    emit count->activated(3);
    pages->setCurrentWidget(page);
    QTRY_COMPARE_WITH_TIMEOUT(page->wall().projectors.size(), 4, kWait);
}

void TestBlendPreview::hiddenPageWaitsUntilShown() {
    pages->setCurrentIndex(0);
    const int refreshes = page->refreshCount();
    for (int level = 1; level <= 5; ++level)
        form->model().editOutput(1, 3, [level](OutputInfo &out) { out.BlackLevel = quint8(level); });
    QCoreApplication::processEvents();
    QCOMPARE(page->refreshCount(), refreshes);
    pages->setCurrentWidget(page);
    QTRY_VERIFY_WITH_TIMEOUT(page->refreshCount() > refreshes, kWait);
    QVERIFY(items(findings).join('\n').contains(QStringLiteral("(0 and 5)")));
}

QTEST_MAIN(TestBlendPreview)
#include "tst_blendpreview.moc"
