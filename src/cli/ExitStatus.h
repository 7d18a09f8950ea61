// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The tool's exit statuses. They are part of its interface: scripts test them, so a number never
// changes meaning.
namespace ExitStatus {
constexpr int Ok = 0;        // done; for diff: the devices hold what the file holds
constexpr int Differ = 1;    // diff only: at least one setting differs
constexpr int Findings = 1;  // check only: the settings disagree somewhere (at least one finding)
constexpr int Usage = 2;     // unknown command or option, missing or malformed value
constexpr int FileError = 3; // a file could not be read, is not a configuration file, or could not be written
constexpr int NoDevice = 4;  // no device answered, or fewer devices than the file needs
constexpr int Communication = 5; // the line failed or a device did not answer during read or push
constexpr int Refused = 6;       // a question needed Yes and --yes was not given
constexpr int InvalidValue = 7;  // the file holds a value that cannot be sent; nothing after it was sent
// Stopped by a signal: 128 + its number, as a shell reports a process the signal ended. The command in
// flight is finished first, so the line ends on a whole command.
constexpr int Interrupted = 130; // SIGINT (Ctrl-C)
constexpr int Terminated = 143;  // SIGTERM
} // namespace ExitStatus
