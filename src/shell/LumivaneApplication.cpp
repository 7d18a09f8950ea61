// SPDX-License-Identifier: GPL-3.0-or-later
#include "LumivaneApplication.h"

#include "AppTitle.h"

#include <QIcon>
#include <QMessageBox>

#include <exception>

LumivaneApplication::LumivaneApplication(int &argc, char **argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("lumivane"));
    setApplicationVersion(QStringLiteral(LUMIVANE_VERSION));
    // The installed desktop entry and icon carry this id; desktops match the window to them by it.
    setDesktopFileName(QStringLiteral("org.lumivane.Lumivane"));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("org.lumivane.Lumivane")));
}

bool LumivaneApplication::notify(QObject *receiver, QEvent *event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        showErrorBox(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        showErrorBox(QStringLiteral("Error! An unexpected error occurred."));
    }
    return false;
}

void showErrorBox(const QString &text) {
    QMessageBox::critical(nullptr, appTitle(), text);
}
