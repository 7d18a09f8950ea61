// SPDX-License-Identifier: GPL-3.0-or-later
#include "ListAccessible.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLineEdit>

namespace {

class ListAccessible : public QAccessibleWidget {
public:
    explicit ListAccessible(QComboBox *list) : QAccessibleWidget(list, QAccessible::ComboBox) {}

    QComboBox *list() const { return static_cast<QComboBox *>(object()); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return list()->isEditable() && list()->lineEdit() ? list()->lineEdit()->text()
                                                              : list()->currentText();
        // The name the list was given, else its label's (QAccessibleWidget looks both up).
        return QAccessibleWidget::text(t);
    }

    int childCount() const override { return list()->view() ? 1 : 0; }
    QAccessibleInterface *child(int index) const override {
        return index == 0 && list()->view() ? QAccessible::queryAccessibleInterface(list()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override {
        return child && list()->view() && child->object() == list()->view() ? 0 : -1;
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        const bool open = list()->view() && list()->view()->isVisible();
        s.expanded = open;
        s.collapsed = !open;
        s.editable = list()->isEditable();
        return s;
    }

    QStringList actionNames() const override {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &action) override {
        if (action == showMenuAction() || action == pressAction()) {
            if (list()->view() && list()->view()->isVisible())
                list()->hidePopup();
            else
                list()->showPopup();
            return;
        }
        QAccessibleWidget::doAction(action);
    }
};

} // namespace

// Qt's own interface is found before any factory of ours, so each list is given its interface directly.
void installListAccessible(QWidget *root) {
    for (QComboBox *list : root->findChildren<QComboBox *>()) {
        QAccessibleInterface *present = QAccessible::queryAccessibleInterface(list);
        if (dynamic_cast<ListAccessible *>(present)) continue;
        if (present) QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(present));
        QAccessible::registerAccessibleInterface(new ListAccessible(list));
    }
}
