// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The table of the device commands the builders send, and the one routine that formats and sends a row
// of it. Private to the command set's sources.

#include "CommandEngine.h"
#include "CommandSet.h"

#include "Framing.h"

#include <QByteArray>

#include <cstdio>
#include <iterator>
#include <type_traits>

// How a direct device takes a command: written without holding the window (its "#" is accounted for
// before the next request, see CommandEngine::WriteDirectCommand), or sent with an acknowledgement wait.
enum class DirectHandling { Write, Ack };

// What the command set does after a command has gone out.
enum class FollowUp {
    None,
    // The device changed what it reports for every output: read them back and refresh Display Setup.
    ReadOutputs,
    // The device put its own input values in place: read them back and refresh Source Setup.
    ReadInputs,
};

struct CommandRow {
    CommandSet::Cmd cmd;
    const char *token;
    // The arguments after the token, separated by spaces: "i" a whole number, "c" a character, "r" a real
    // written with one decimal in four places (" 2.5"); any other word is written as it stands ("M").
    const char *arguments;
    int settle;
    DirectHandling direct;
    int ackTicks;
    FollowUp followUp;
};

// The acknowledgement wait of most direct commands.
inline constexpr int kAck = CommandSet::kNormalAckTicks;

// One row per command. The Controller text is "*<id>TOKEN arguments!", the direct text "TOKEN arguments\r".
inline constexpr CommandRow kCommands[] = {
    // clang-format off
    // command                            token       arguments              settle direct                 ticks follow-up
    {CommandSet::Cmd::BlackLevel,          "BLKGN",    "i i",                 0,    DirectHandling::Write, 0,    FollowUp::None},
    {CommandSet::Cmd::FeatherModeBasic,    "KXCTRL",   "i",                   300,  DirectHandling::Ack,   580,  FollowUp::ReadOutputs},
    {CommandSet::Cmd::FeatherModeAdvanced, "KXCTRL",   "i",                   1250, DirectHandling::Ack,   580,  FollowUp::ReadOutputs},
    {CommandSet::Cmd::DataDoubling,        "DDBL",     "i",                   0,    DirectHandling::Ack,   kAck, FollowUp::None},
    {CommandSet::Cmd::DisplayLayout,       "DISP",     "i i",                 400,  DirectHandling::Ack,   kAck, FollowUp::None},
    {CommandSet::Cmd::BasicFeather,        "EFTB",     "i r",                 5,    DirectHandling::Ack,   kAck, FollowUp::None},
    {CommandSet::Cmd::Halo,                "HALO",     "i c i i",             0,    DirectHandling::Write, 0,    FollowUp::None},
    {CommandSet::Cmd::FactoryReset,        "RESETKX",  "c",                   6500, DirectHandling::Ack,   810,  FollowUp::None},
    {CommandSet::Cmd::TestPattern,         "OTPMKX",   "i i i i",             0,    DirectHandling::Ack,   kAck, FollowUp::None},
    {CommandSet::Cmd::InputContrast,       "ICNTKX",   "i c r",               0,    DirectHandling::Write, 0,    FollowUp::None},
    {CommandSet::Cmd::InputBrightness,     "IBRTKX",   "i c r",               0,    DirectHandling::Write, 0,    FollowUp::None},
    {CommandSet::Cmd::InputPhase,          "ICPHOKX",  "i M i",               0,    DirectHandling::Write, 0,    FollowUp::None},
    {CommandSet::Cmd::InputHPosition,      "IRSPKX",   "i M H i",             0,    DirectHandling::Write, 0,    FollowUp::None},
    {CommandSet::Cmd::InputVPosition,      "IRSPKX",   "i M V i",             0,    DirectHandling::Write, 0,    FollowUp::None},
    {CommandSet::Cmd::InputConfigSave,     "ICSAVKX",  "i",                   100,  DirectHandling::Ack,   kAck, FollowUp::None},
    {CommandSet::Cmd::InputConfigReset,    "ICRSTKX",  "i",                   150,  DirectHandling::Ack,   kAck, FollowUp::ReadInputs},
    {CommandSet::Cmd::ProjectorCount,      "PRJ",      "i i",                 150,  DirectHandling::Ack,   180,  FollowUp::None},
    {CommandSet::Cmd::SeamGains,           "MANSEAM",  "i i i i i i i i i i", 0,    DirectHandling::Ack,   kAck, FollowUp::None},
    {CommandSet::Cmd::SeamBridge,          "BRDGSEAM", "i i",                 20,   DirectHandling::Ack,   120,  FollowUp::None},
    {CommandSet::Cmd::SystemSave,          "SYSAVE",   "",                    1000, DirectHandling::Ack,   kAck, FollowUp::None},
    {CommandSet::Cmd::FeatherCurve,        "FEATHER",  "c",                   490,  DirectHandling::Ack,   kAck, FollowUp::None},
    {CommandSet::Cmd::EdgeFeather,         "PEFT",     "i c i r i i",         50,   DirectHandling::Ack,   kAck, FollowUp::None},
    {CommandSet::Cmd::BridgeThreshold,     "BRTHRS",   "i",                   100,  DirectHandling::Ack,   kAck, FollowUp::None},
    {CommandSet::Cmd::AutoSeam,            "AUTOSEAM", "i",                   100,  DirectHandling::Ack,   120,  FollowUp::None},
    // clang-format on
};

constexpr bool rowsInOrder() {
    for (std::size_t i = 0; i < std::size(kCommands); ++i)
        if (std::size_t(kCommands[i].cmd) != i) return false;
    return std::size(kCommands) == std::size_t(CommandSet::Cmd::Count);
}
static_assert(rowsInOrder(), "one row per command, in the order of CommandSet::Cmd");

// The kind letter of an argument type; a type the table has no letter for does not compile.
template <typename T> constexpr char argumentKind() {
    if constexpr (std::is_same_v<T, int>)
        return 'i';
    else if constexpr (std::is_same_v<T, char>)
        return 'c';
    else {
        static_assert(std::is_same_v<T, double>, "a command argument is an int, a char or a double");
        return 'r';
    }
}

constexpr bool isPlaceholder(const char *word, std::size_t length) {
    return length == 1 && (word[0] == 'i' || word[0] == 'c' || word[0] == 'r');
}

// Whether the arguments' kinds fill the row's placeholders one for one, in order.
constexpr bool argumentsFit(const char *arguments, const char *kinds, std::size_t count) {
    std::size_t next = 0;
    for (std::size_t i = 0; arguments[i];) {
        std::size_t end = i;
        while (arguments[end] && arguments[end] != ' ')
            ++end;
        if (isPlaceholder(arguments + i, end - i)) {
            if (next == count || kinds[next] != arguments[i]) return false;
            ++next;
        }
        i = arguments[end] ? end + 1 : end;
    }
    return next == count;
}

inline QByteArray argumentText(int v) {
    return QByteArray::number(v);
}
inline QByteArray argumentText(char v) {
    return QByteArray(1, v);
}
inline QByteArray argumentText(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%4.1f", v);
    return QByteArray(text);
}

// The row's arguments with each placeholder replaced by the next value's text ("i M H i" with 2 and 40
// gives "2 M H 40"); the row's fixed words stay as they are.
inline QByteArray writeArguments(const char *arguments, const QList<QByteArray> &values) {
    QByteArray text;
    qsizetype next = 0;
    for (const QByteArray &word : QByteArray(arguments).split(' ')) {
        if (word.isEmpty()) continue;
        if (!text.isEmpty()) text += ' ';
        text += isPlaceholder(word.constData(), std::size_t(word.size())) ? values.value(next++) : word;
    }
    return text;
}

template <CommandSet::Cmd cmd, typename... Args> bool CommandSet::send(int device, Args... args) {
    constexpr const CommandRow &row = kCommands[std::size_t(cmd)];
    constexpr char kinds[] = {argumentKind<Args>()..., 0};
    static_assert(argumentsFit(row.arguments, kinds, sizeof...(Args)),
                  "the arguments do not fit the command's row of the table");
    return sendRow(device, row, writeArguments(row.arguments, {argumentText(args)...}));
}
