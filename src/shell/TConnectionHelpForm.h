// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

// Static help on cabling and serial settings, shown non-modal from the Help menu.
class TConnectionHelpForm : public QWidget {
    Q_OBJECT
public:
    explicit TConnectionHelpForm(QWidget *parent = nullptr);
};
