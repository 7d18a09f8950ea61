// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>

// The application object. An error that escapes an event handler is shown in an error box and the
// event loop goes on.
class LumivaneApplication : public QApplication {
public:
    LumivaneApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

// Shows an error that escaped normal handling, captioned with the application title.
void showErrorBox(const QString &text);
