// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CliOptions.h"

#include <QList>
#include <QString>
#include <QStringList>

// The tool's commands and their options as data: the parser, each command's --help and (through that
// help) the manual page are all built from these rows, so an option is described in one place.
namespace cli {

// Puts an option's value into the options; the empty text, or what is wrong with the value. A switch
// is applied only when given (its value is then empty); an option with a value is applied when given
// or when it has a default.
using ApplyOption = QString (*)(CliOptions &options, const QString &value);

struct OptionSpec {
    QStringList names{}; // "o", "output"
    QString valueName{}; // empty for a switch
    QString description{};
    QString defaultValue{};
    ApplyOption apply = nullptr;
    QString missing{};   // when set, the option must be given: the error when it is not
    bool hidden = false; // left out of the help (tests run the pauses faster)
};

struct CommandSpec {
    QString name;
    CliOptions::Command command;
    QString summary;
    QString synopsis; // what follows the command's name in its usage line
    // What the one positional argument is: none, a configuration file, or a file unless --devices.
    enum class Takes { Nothing, File, FileOrDevices } takes;
    bool reachesDevices; // takes the port options (--com1, --com2, --simulate, --link, --yes)
    QList<OptionSpec> options;
};

// Every command, in the order the overview lists them.
const QList<CommandSpec> &commandTable();
const CommandSpec *findCommand(const QString &name);

// The options of every command that reaches the devices, beside the port map's --com1 and --com2.
const QList<OptionSpec> &deviceOptions();
// -q, which every command takes.
const OptionSpec &quietOption();

} // namespace cli
