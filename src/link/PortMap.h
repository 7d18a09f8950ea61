#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

class QCommandLineParser;

// Port numbers (COM1, COM2, ...) to the platform's serial devices. By default port n is /dev/ttyS<n-1>
// on Linux and \\.\COM<n> on Windows; the program options --com1 PATH and --com2 PATH point a number at
// another device (a USB adapter, a pseudo-terminal). Messages keep saying "COM Port #n".
class PortMap {
public:
    QString path(int portNumber) const; // empty for 0 and negative numbers
    void setPath(int portNumber, const QString &devicePath);
    bool isOverridden(int portNumber) const { return m_overrides.contains(portNumber); }

    static QString defaultPath(int portNumber);

    // Adds --com1 and --com2 to a parser, and applies the values the user gave.
    static void addOptions(QCommandLineParser &parser);
    void applyOptions(const QCommandLineParser &parser);

private:
    QMap<int, QString> m_overrides;
};
