// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The longer texts "lumivane-cli help TOPIC" prints, which the manual page carries as sections of
// its own: the JSON layouts, how a run stops, and examples. The first line of each is its title.
namespace cli {

// The topic's text, or the empty text when there is no such topic.
QString helpTopic(const QString &name);
// "json, stopping and examples".
QString helpTopicList();

} // namespace cli
