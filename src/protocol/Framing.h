// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

// The one place that knows how a command is framed on the line. Behind a Controller a command is
// addressed to a device's RS-485 ID, "*<id>TEXT!", and a status query asks the Controller to pass such a
// command on and return the answer, "KXQUERY *<id>TEXT!\r"; a device on its own line takes the text
// ended by a carriage return, "TEXT\r".
namespace Framing {

inline QByteArray controller(int id, const QByteArray &text) {
    return '*' + QByteArray::number(id) + text + '!';
}

inline QByteArray controllerQuery(int id, const QByteArray &text) {
    return "KXQUERY " + controller(id, text) + '\r';
}

inline QByteArray direct(const QByteArray &text) {
    return text + '\r';
}

// The text of a Controller command without its address and its closing "!" ("PRJ 0 4"); a text not
// addressed to that ID keeps what it has.
inline QByteArray controllerText(int id, const QByteArray &framed) {
    QByteArray text = framed;
    const QByteArray address = '*' + QByteArray::number(id);
    if (text.startsWith(address)) text.remove(0, address.size());
    if (text.endsWith('!')) text.chop(1);
    return text;
}

} // namespace Framing
