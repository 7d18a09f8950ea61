// SPDX-License-Identifier: GPL-3.0-or-later
#include "Discovery.h"

#include "CommandEngine.h"
#include "Host.h"
#include "TApdComPort.h"

#include <QString>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {
constexpr int kDigitSearchSpan = 30;
}

ControllerCount parseControllerCount(const quint8 *reply, int length) {
    ControllerCount result;
    const int span = std::min(length, kDigitSearchSpan);
    int first = 0;
    while (first < span && !(reply[first] >= '0' && reply[first] <= '9'))
        ++first;
    if (first >= span || reply[first] == 0) return result;

    // A bounded, NUL-terminated copy of the numbers: the answer itself need not end in a NUL.
    char text[CommandEngine::AreaSize + 1] = {};
    const int available = length - first;
    const int copied = std::min<int>(available, CommandEngine::AreaSize);
    std::memcpy(text, reply + first, size_t(copied));
    text[copied] = 0;
    // Blank-separated decimal numbers, read as "%d %d %d" would, except that a number too large for
    // an int ends the answer instead of being cut to a wrong value (noise on the line can do that).
    int *fields[3] = {&result.count, &result.id1, &result.id2};
    const char *p = text;
    for (int *field : fields) {
        char *end = nullptr;
        errno = 0;
        const long value = std::strtol(p, &end, 10);
        if (end == p || errno == ERANGE || value < INT_MIN || value > INT_MAX) break;
        *field = int(value);
        ++result.numbers;
        p = end;
    }
    return result;
}

int Discovery::SearchPorts(const std::function<void(int port)> &onFound) {
    Host &host = engine.host();
    host.setPagesEnabled(false);
    host.setBusyCursor(true);
    int found = -1;
    if (engine.Probe(1)) {
        host.setStatusText(QStringLiteral("Established communication with Kestrix on Com 1"));
        found = 1;
    } else if (!engine.aborted() && engine.Probe(2)) {
        found = 2;
    } else {
        engine.port().SetOpen(false);
    }

    if (found != -1 && onFound) onFound(found);
    host.setBusyCursor(false);
    host.setPagesEnabled(true);
    return found;
}

ControllerCount Discovery::QueryKestrixCount() {
    // The Controller answers this itself: no RS-485 ID, no frame, no checksum.
    const QByteArray request = QByteArrayLiteral("NKX\r");
    const int minLength = 2;
    Reply reply = engine.SendQuery(request, minLength);
    if (!reply.answered()) {
        if (!engine.controllerMode() || reply.outcome != Reply::Outcome::ControllerError) return {};
        for (int repeat = 0; reply.outcome == Reply::Outcome::ControllerError && repeat < kMaxCountRepeats &&
                             !engine.aborted();
             ++repeat)
            reply = engine.SendQuery(request, minLength);
        if (!reply.answered()) return {};
    }

    const int length = int(strnlen(reply.area.constData(), CommandEngine::AreaSize));
    const ControllerCount result = parseControllerCount(reply.data(), length);
    if (result.numbers == 0)
        engine.host().setStatusText(QStringLiteral("Error detecting # of Kestrix(s) from Controller"));
    return result;
}
