// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

// The modal "About Lumivane" box.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    AboutBox(const QString &versionText, QWidget *parent);
};
