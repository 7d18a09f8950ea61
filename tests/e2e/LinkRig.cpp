// SPDX-License-Identifier: GPL-3.0-or-later
#include "LinkRig.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>

void LinkRig::trigger(const char *actionName) {
    auto *action = form->findChild<QAction *>(QString::fromLatin1(actionName));
    QVERIFY2(action, actionName);
    action->trigger();
}

QString LinkRig::labelText(const char *name) const {
    auto *label = form->findChild<QLabel *>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<no %1>").arg(name);
}

QString LinkRig::fieldText(const char *name) const {
    if (auto *edit = form->findChild<QLineEdit *>(QString::fromLatin1(name))) return edit->text();
    return find<QLabel>(name)->text();
}

void LinkRig::showOffline() {
    host.expectYesNo(false, "Lumivane requires connection to Kestrix(s) to function.");
    form->show();
    QTRY_COMPARE(host.messages().size(), 1);
    host.entries.clear();
}

QStringList LinkRig::wire(const KestrixSimulator &sim) {
    QStringList lines;
    for (const SimRequest &r : sim.requests()) {
        QString what;
        switch (r.kind) {
        case SimRequest::Probe:
            what = QStringLiteral("CR");
            break;
        case SimRequest::DebugOff:
            what = QStringLiteral("debug 0");
            break;
        case SimRequest::CountQuery:
            what = QStringLiteral("NKX");
            break;
        default:
            what = (r.targetId >= 0 ? QStringLiteral("*%1").arg(r.targetId) : QString()) +
                   QString::fromLatin1(r.command);
        }
        lines.append(QStringLiteral("%1 %2").arg(r.baud).arg(what));
    }
    return lines;
}
