// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DisplaySetupPage.h"
#include "LinkRig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

// The real window connected through the Controller to two simulated devices (RS-485 IDs 1 and 2),
// read once; the wire log cleared afterwards.
struct DisplayRig {
    SimOptions options;
    std::unique_ptr<LinkRig> rig;
    DisplaySetupPage *page = nullptr;

    explicit DisplayRig(bool connect = true, QList<int> ids = {1, 2}) {
        options.mode = SimOptions::Controller;
        options.ids = ids;
        rig = std::make_unique<LinkRig>(&options, nullptr);
        page = rig->form->displaySetupPage();
        page->enableAfterCalculation(); // as the planning calculation does
        if (!connect) return;
        rig->host.expectYesNo(true, "Serial communication established with Controller.");
        rig->trigger("KestrixconnectedthruController1");
        rig->com1->clearRequests();
        rig->host.entries.clear();
    }

    template <typename T> T *find(const QString &name) const {
        T *w = rig->form->findChild<T *>(name);
        if (!w) qFatal("no control %s", qPrintable(name));
        return w;
    }
    QLineEdit *edit(const QString &name) const { return find<QLineEdit>(name); }
    QCheckBox *box(const QString &name) const { return find<QCheckBox>(name); }
    QComboBox *list(const QString &name) const { return find<QComboBox>(name); }
    WindowState &state() const { return rig->form->state(); }
    DeviceModel &model() const { return rig->form->model(); }
    QStringList messages() const { return rig->host.messages(); }

    // Device commands the simulator received ("*2BLKGN 1 200"), after letting writes that wait for
    // nothing leave the port; the log is cleared.
    QStringList wire(int expected) {
        (void)QTest::qWaitFor([&] { return rig->com1->requests().size() >= expected; }, 3000);
        QTest::qWait(expected ? 10 : 60);
        QStringList lines;
        for (const SimRequest &r : rig->com1->requests())
            lines.append(QStringLiteral("*%1%2").arg(r.targetId).arg(QString::fromLatin1(r.command)));
        rig->com1->clearRequests();
        return lines;
    }
    // The user's choice of a list item (a refresh's setCurrentIndex raises nothing).
    void choose(const QString &listName, int index) {
        QComboBox *l = list(listName);
        l->setCurrentIndex(index);
        emit l->activated(index);
    }
};
