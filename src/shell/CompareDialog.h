// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SettingDifferences.h"

#include <QDialog>
#include <QList>

class QPushButton;
class QTableWidget;

// The settings that differ between the window and the devices, one row each (device, channel, setting,
// the window's value, the device's value or "not reported"), and what to do about them.
class CompareDialog : public QDialog {
    Q_OBJECT
public:
    enum Choice { Close, SendWindowValues, TakeDeviceValues };

    CompareDialog(const QList<Difference> &rows, int devices, QWidget *parent = nullptr);

    // What the user chose; Close until a choice was made.
    Choice choice() const { return chosen; }
    QTableWidget *table() const { return list; }
    QPushButton *sendButton() const { return send; }
    QPushButton *takeButton() const { return take; }

    // The line above the table: how many settings differ, how many could not be compared.
    static QString summary(const QList<Difference> &rows, int devices);

private:
    void choose(Choice c);

    QTableWidget *list = nullptr;
    QPushButton *send = nullptr;
    QPushButton *take = nullptr;
    Choice chosen = Close;
};
