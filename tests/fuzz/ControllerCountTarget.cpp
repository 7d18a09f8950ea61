// SPDX-License-Identifier: GPL-3.0-or-later
#include "FuzzTargets.h"

#include "CommandEngine.h"
#include "Discovery.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

const char *checked(const ControllerCount &c, const quint8 *reply, int length) {
    if (c.numbers < 0 || c.numbers > 3) return "more numbers than the answer has fields";
    if (c.numbers == 0) return nullptr;
    // A number was read, so a digit stood among the first 30 bytes.
    const quint8 *end = reply + std::min(length, 30);
    const bool digit = std::find_if(reply, end, [](quint8 b) { return b >= '0' && b <= '9'; }) != end;
    return digit ? nullptr : "numbers read from an answer without a digit in its first 30 bytes";
}

} // namespace

namespace FuzzTargets {

const char *controllerCount(const uint8_t *data, size_t size) {
    // As the query hands it over: in the cleared reply area, up to its first NUL.
    quint8 area[CommandEngine::AreaSize] = {};
    std::memcpy(area, data, std::min<size_t>(size, sizeof area));
    const int length = int(strnlen(reinterpret_cast<const char *>(area), sizeof area));
    if (const char *fault = checked(parseControllerCount(area, length), area, length)) return fault;

    // In a buffer of exactly its size, with no NUL promised: nothing past `length` may be read.
    const int exactSize = int(std::min<size_t>(size, 1 << 16));
    const auto exact = std::make_unique<quint8[]>(size_t(exactSize));
    std::memcpy(exact.get(), data, size_t(exactSize));
    return checked(parseControllerCount(exact.get(), exactSize), exact.get(), exactSize);
}

} // namespace FuzzTargets
