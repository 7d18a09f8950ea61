#include "LumivaneApplication.h"

#include "AppTitle.h"

#include <QMessageBox>

#include <exception>

LumivaneApplication::LumivaneApplication(int &argc, char **argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("lumivane"));
    setApplicationVersion(QStringLiteral("1.02"));
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
