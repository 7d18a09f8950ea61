// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

// The fuzz targets as plain functions, so that libFuzzer drives them in the fuzz build and the normal
// suite replays the seed corpus and every past finding through the very same code.
//
// Each returns nullptr when the input was handled soundly, else what went wrong. Reads or writes out of
// bounds and undefined behaviour are the sanitizers' to report; the returned text covers the promises
// the sanitizers cannot see (a failed parse leaving its record alone, results inside their ranges).
namespace FuzzTargets {

using Target = const char *(*)(const uint8_t *data, size_t size);

// Status replies: byte 0 holds flags (bit 0 Controller mode, bit 1 the engine put a NUL on the last
// stored byte), byte 1 the minimum acknowledgement position; the rest is the reply as it arrived.
const char *statusSystem(const uint8_t *data, size_t size);
const char *statusInput(const uint8_t *data, size_t size);
const char *statusOutput(const uint8_t *data, size_t size);
// The Controller's answer to the device-count query, as it arrived.
const char *controllerCount(const uint8_t *data, size_t size);
// The command engine's receive handling over a stream cut into notifications (format in the source).
const char *engineReceive(const uint8_t *data, size_t size);
// A configuration file loaded, then everything the refresh takes from the loaded records.
const char *configFile(const uint8_t *data, size_t size);

struct Entry {
    const char *name; // also the folder of its seed corpus and of its findings
    Target run;
};
// Every target, for the replay test. One line here and one in CMakeLists.txt add a target.
inline constexpr Entry kAll[] = {
    {"status_system", statusSystem},       {"status_input", statusInput},     {"status_output", statusOutput},
    {"controller_count", controllerCount}, {"engine_receive", engineReceive}, {"config_file", configFile},
};

} // namespace FuzzTargets
