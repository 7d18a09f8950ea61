// SPDX-License-Identifier: GPL-3.0-or-later
#include "LinkRig.h"

#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QtTest>

// Every input control of every page, as a screen reader meets it: through the accessibility interface
// of the real window's controls, each page shown in turn.
class AccessibilityTest : public QObject {
    Q_OBJECT
private slots:
    void everyInputControlHasItsOwnName();
};

namespace {

bool isInput(QAccessible::Role role) {
    switch (role) {
    case QAccessible::EditableText:
    case QAccessible::SpinBox:
    case QAccessible::ComboBox:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::Slider:
        return true;
    default:
        return false;
    }
}

} // namespace

void AccessibilityTest::everyInputControlHasItsOwnName() {
    LinkRig rig(nullptr, nullptr);
    rig.showOffline();
    QTabWidget *pages = rig.form->phasePageControl();
    QStringList problems;
    for (int p = 0; p < pages->count(); ++p) {
        pages->setCurrentIndex(p);
        QCoreApplication::processEvents();
        // Every control of the page, shown or not (the other screens' tabs, the advanced fields).
        QHash<QString, QString> seen;
        for (QWidget *widget : pages->widget(p)->findChildren<QWidget *>()) {
            // A list showing an item, so that a name that is only that item shows.
            if (auto *list = qobject_cast<QComboBox *>(widget); list && list->currentIndex() < 0)
                list->setCurrentIndex(0);
            QAccessibleInterface *input = QAccessible::queryAccessibleInterface(widget);
            if (!input || !isInput(input->role())) continue;
            const QString name = input->text(QAccessible::Name).trimmed();
            const QString which = QStringLiteral("%1: %2").arg(pages->tabText(p), widget->objectName());
            // A list says what it chooses; its current item is its value.
            if (auto *list = qobject_cast<QComboBox *>(widget)) {
                if (list->count() > 0 && name == list->currentText().trimmed())
                    problems.append(which + QStringLiteral(" is named by its current item \"%1\"").arg(name));
                if (input->text(QAccessible::Value) != list->currentText())
                    problems.append(which + QStringLiteral(" does not give its current item as its value"));
            }
            // A field the user types a number into says its unit and range.
            if (qobject_cast<QLineEdit *>(widget) && widget->toolTip().isEmpty())
                problems.append(which + QStringLiteral(" has no tooltip with its unit and range"));
            if (name.isEmpty())
                problems.append(which + QStringLiteral(" has no name"));
            else if (seen.contains(name))
                problems.append(which +
                                QStringLiteral(" has the name \"%1\" of %2").arg(name, seen.value(name)));
            else
                seen.insert(name, widget->objectName());
        }
    }
    for (const QString &problem : problems)
        qWarning("%s", qPrintable(problem));
    QVERIFY2(problems.isEmpty(),
             qPrintable(QStringLiteral("%1 problem(s), listed above").arg(problems.size())));
}

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
