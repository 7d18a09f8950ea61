// SPDX-License-Identifier: GPL-3.0-or-later
#include "RadioGroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

RadioGroup::RadioGroup(const QString &caption, const QStringList &items, int columns, QWidget *parent)
    : QGroupBox(caption, parent), buttons(new QButtonGroup(this)) {
    auto *layout = new QGridLayout(this);
    const int rows = (int(items.size()) + columns - 1) / columns;
    for (int i = 0; i < items.size(); ++i) {
        auto *button = new QRadioButton(items[i], this);
        button->setAccessibleName(QStringLiteral("%1: %2").arg(caption, items[i]));
        buttons->addButton(button, i);
        layout->addWidget(button, i % rows, i / rows);
    }
    connect(buttons, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) emit itemClicked(id);
    });
}

int RadioGroup::itemIndex() const {
    return buttons->checkedId();
}

int RadioGroup::count() const {
    return int(buttons->buttons().size());
}

QRadioButton *RadioGroup::item(int index) const {
    return qobject_cast<QRadioButton *>(buttons->button(index));
}

void RadioGroup::setItemIndex(int index) {
    if (QAbstractButton *button = buttons->button(index)) {
        button->setChecked(true);
        return;
    }
    // An exclusive group cannot uncheck its last item.
    buttons->setExclusive(false);
    for (QAbstractButton *button : buttons->buttons())
        button->setChecked(false);
    buttons->setExclusive(true);
}
