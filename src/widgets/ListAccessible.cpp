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

QAccessibleInterface *listFactory(const QString &className, QObject *object) {
    if (className == QLatin1String("QComboBox") && object && object->isWidgetType())
        return new ListAccessible(static_cast<QComboBox *>(object));
    return nullptr;
}

} // namespace

void installListAccessible() {
    static const bool installed = [] {
        QAccessible::installFactory(listFactory);
        return true;
    }();
    Q_UNUSED(installed);
}
