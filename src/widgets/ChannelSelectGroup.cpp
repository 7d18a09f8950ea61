// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChannelSelectGroup.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QRadioButton>

ChannelSelectGroup::ChannelSelectGroup(const QString &name, QWidget *parent)
    : QGroupBox(tr("Channel Select"), parent), buttons(new QButtonGroup(this)), row(new QHBoxLayout(this)) {
    setObjectName(name);
    connect(buttons, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) emit channelSelected(id);
    });
    setChannelCount(8);
}

void ChannelSelectGroup::setChannelCount(int n) {
    n = qBound(1, n, 8);
    for (QAbstractButton *button : buttons->buttons()) {
        buttons->removeButton(button);
        delete button;
    }
    for (int channel = 1; channel <= n; ++channel) {
        auto *item = new QRadioButton(QString::number(channel), this);
        item->setObjectName(QStringLiteral("%1Item%2").arg(objectName()).arg(channel));
        item->setAccessibleName(QStringLiteral("Screen %1").arg(channel));
        buttons->addButton(item, channel);
        row->addWidget(item);
    }
    keepTabPlace();
    buttons->button(1)->setChecked(true);
}

// Items made after the window was built join the end of its tab order; Tab should reach them where the
// group stands, before the controls that follow it.
void ChannelSelectGroup::keepTabPlace() {
    QWidget *before = previousInFocusChain();
    while (before != this && (before->focusPolicy() == Qt::NoFocus || isAncestorOf(before)))
        before = before->previousInFocusChain();
    if (before == this) return;
    for (QAbstractButton *item : buttons->buttons()) {
        setTabOrder(before, item);
        before = item;
    }
}

int ChannelSelectGroup::channelCount() const {
    return int(buttons->buttons().size());
}

int ChannelSelectGroup::selectedChannel() const {
    return qMax(0, buttons->checkedId());
}

void ChannelSelectGroup::selectChannel(int channel) {
    if (QAbstractButton *item = buttons->button(channel)) item->setChecked(true);
}
