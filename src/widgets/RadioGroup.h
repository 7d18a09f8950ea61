// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QGroupBox>

class QButtonGroup;
class QRadioButton;

// A captioned group of radio items with one item index (-1: none selected). Selecting an item, by the
// user or from code, raises itemClicked as a click would; clearing the selection raises nothing.
class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const QString &caption, const QStringList &items, int columns = 1, QWidget *parent = nullptr);

    int itemIndex() const;
    void setItemIndex(int index);
    int count() const;
    QRadioButton *item(int index) const;

signals:
    void itemClicked(int index);

private:
    QButtonGroup *buttons;
};
