#pragma once

// The table of the device commands the builders send, and the one routine that formats and sends a row
// of it. Private to the command set's sources.

#include "CommandEngine.h"
#include "CommandSet.h"

#include <QByteArray>

#include <cstdio>
#include <iterator>

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
    // The printf format of the arguments after the token ("" for none).
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
    // command                          token       arguments                          settle direct             ticks  follow-up
    {CommandSet::Cmd::BlackLevel,       "BLKGN",    "%d %d",                            0,    DirectHandling::Write, 0,   FollowUp::None},
    {CommandSet::Cmd::FeatherModeBasic, "KXCTRL",   "%d",                               300,  DirectHandling::Ack,   580, FollowUp::ReadOutputs},
    {CommandSet::Cmd::FeatherModeAdvanced, "KXCTRL", "%d",                              1250, DirectHandling::Ack,   580, FollowUp::ReadOutputs},
    {CommandSet::Cmd::DataDoubling,     "DDBL",     "%d",                               0,    DirectHandling::Ack,   kAck, FollowUp::None},
    {CommandSet::Cmd::DisplayLayout,    "DISP",     "%d %d",                            400,  DirectHandling::Ack,   kAck, FollowUp::None},
    {CommandSet::Cmd::BasicFeather,     "EFTB",     "%d %4.1f",                         5,    DirectHandling::Ack,   kAck, FollowUp::None},
    {CommandSet::Cmd::Halo,             "HALO",     "%d %c %d %d",                      0,    DirectHandling::Write, 0,   FollowUp::None},
    {CommandSet::Cmd::FactoryReset,     "RESETKX",  "%c",                               6500, DirectHandling::Ack,   810, FollowUp::None},
    {CommandSet::Cmd::TestPattern,      "OTPMKX",   "%d %d %d %d",                      0,    DirectHandling::Ack,   kAck, FollowUp::None},
    {CommandSet::Cmd::InputContrast,    "ICNTKX",   "%d %c %4.1f",                      0,    DirectHandling::Write, 0,   FollowUp::None},
    {CommandSet::Cmd::InputBrightness,  "IBRTKX",   "%d %c %4.1f",                      0,    DirectHandling::Write, 0,   FollowUp::None},
    {CommandSet::Cmd::InputPhase,       "ICPHOKX",  "%d M %d",                          0,    DirectHandling::Write, 0,   FollowUp::None},
    {CommandSet::Cmd::InputHPosition,   "IRSPKX",   "%d M H %d",                        0,    DirectHandling::Write, 0,   FollowUp::None},
    {CommandSet::Cmd::InputVPosition,   "IRSPKX",   "%d M V %d",                        0,    DirectHandling::Write, 0,   FollowUp::None},
    {CommandSet::Cmd::InputConfigSave,  "ICSAVKX",  "%d",                               100,  DirectHandling::Ack,   kAck, FollowUp::None},
    {CommandSet::Cmd::InputConfigReset, "ICRSTKX",  "%d",                               150,  DirectHandling::Ack,   kAck, FollowUp::ReadInputs},
    {CommandSet::Cmd::ProjectorCount,   "PRJ",      "%d %d",                            150,  DirectHandling::Ack,   180, FollowUp::None},
    {CommandSet::Cmd::SeamGains,        "MANSEAM",  "%d %d %d %d %d %d %d %d %d %d",    0,    DirectHandling::Ack,   kAck, FollowUp::None},
    {CommandSet::Cmd::SeamBridge,       "BRDGSEAM", "%d %d",                            20,   DirectHandling::Ack,   120, FollowUp::None},
    {CommandSet::Cmd::SystemSave,       "SYSAVE",   "",                                 1000, DirectHandling::Ack,   kAck, FollowUp::None},
    {CommandSet::Cmd::FeatherCurve,     "FEATHER",  "%c",                               490,  DirectHandling::Ack,   kAck, FollowUp::None},
    {CommandSet::Cmd::EdgeFeather,      "PEFT",     "%d %c %d %4.1f %d %d",             50,   DirectHandling::Ack,   kAck, FollowUp::None},
    {CommandSet::Cmd::BridgeThreshold,  "BRTHRS",   "%d",                               100,  DirectHandling::Ack,   kAck, FollowUp::None},
    {CommandSet::Cmd::AutoSeam,         "AUTOSEAM", "%d",                               100,  DirectHandling::Ack,   120, FollowUp::None},
    // clang-format on
};

constexpr bool rowsInOrder() {
    for (std::size_t i = 0; i < std::size(kCommands); ++i)
        if (std::size_t(kCommands[i].cmd) != i) return false;
    return std::size(kCommands) == std::size_t(CommandSet::Cmd::Count);
}
static_assert(rowsInOrder(), "one row per command, in the order of CommandSet::Cmd");

template <typename... Args> bool CommandSet::send(int device, Cmd cmd, Args... args) {
    const CommandRow &row = kCommands[std::size_t(cmd)];
    char formatted[CommandEngine::AreaSize] = {};
    if constexpr (sizeof...(Args) > 0) std::snprintf(formatted, sizeof formatted, row.arguments, args...);
    return sendRow(device, row, QByteArray(formatted));
}
