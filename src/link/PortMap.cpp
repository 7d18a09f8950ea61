#include "PortMap.h"

#include <QCommandLineParser>

namespace {
QString optionName(int portNumber) {
    return QStringLiteral("com%1").arg(portNumber);
}
} // namespace

QString PortMap::defaultPath(int portNumber) {
    if (portNumber <= 0) return {};
#ifdef Q_OS_WIN
    return QStringLiteral("\\\\.\\COM%1").arg(portNumber);
#else
    return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
#endif
}

QString PortMap::path(int portNumber) const {
    if (portNumber <= 0) return {};
    return m_overrides.value(portNumber, defaultPath(portNumber));
}

void PortMap::setPath(int portNumber, const QString &devicePath) {
    if (portNumber > 0) m_overrides.insert(portNumber, devicePath);
}

void PortMap::addOptions(QCommandLineParser &parser) {
    for (int n : {1, 2})
        parser.addOption(QCommandLineOption(optionName(n),
                                            QStringLiteral("Use the serial device PATH as COM%1.").arg(n),
                                            QStringLiteral("PATH")));
}

void PortMap::applyOptions(const QCommandLineParser &parser) {
    for (int n : {1, 2})
        if (parser.isSet(optionName(n))) setPath(n, parser.value(optionName(n)));
}
