// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptedHost.h"

#include "EventPump.h"

void ScriptedHost::expectYesNo(bool yes, const QString &textStartsWith) {
    answers.enqueue({Kind::YesNo, yes, textStartsWith});
}

void ScriptedHost::expectOkCancel(bool ok, const QString &textStartsWith) {
    answers.enqueue({Kind::OkCancel, ok, textStartsWith});
}

void ScriptedHost::showMessage(const QString &text) {
    entries.append({Kind::Message, QStringLiteral("QLN - Lumivane"), text, true, busyCursor});
    keepBoxOpen();
    if (onMessage) onMessage(text);
}

bool ScriptedHost::answer(Kind kind, const QString &caption, const QString &text) {
    bool value = false;
    if (answers.isEmpty()) {
        unexpected.append(QStringLiteral("unexpected question: %1 / %2").arg(caption, text));
    } else if (answers.head().kind != kind) {
        unexpected.append(
            QStringLiteral("question of another kind than expected: %1 / %2").arg(caption, text));
    } else {
        const Answer a = answers.dequeue();
        if (!text.startsWith(a.prefix))
            unexpected.append(
                QStringLiteral("expected a question starting \"%1\", got: %2").arg(a.prefix, text));
        value = a.value;
    }
    entries.append({kind, caption, text, value, busyCursor});
    keepBoxOpen();
    return value;
}

bool ScriptedHost::askYesNo(const QString &caption, const QString &text) {
    return answer(Kind::YesNo, caption, text);
}

bool ScriptedHost::askOkCancel(const QString &caption, const QString &text) {
    return answer(Kind::OkCancel, caption, text);
}

void ScriptedHost::setStatusText(const QString &text) {
    statusTexts.append(text);
    if (onStatus) onStatus(text);
}

void ScriptedHost::setPagesEnabled(bool enabled) {
    if (!enabled) ++pagesDisabledCount;
    pagesEnabled = enabled;
    pagesStates.append(enabled);
}

void ScriptedHost::setBusyCursor(bool busy) {
    busyCursor = busy;
}

void ScriptedHost::showProgress(const QString &text) {
    progressVisible = true;
    progressText = text;
    progressSuffix.clear();
    progressTexts.append(text);
}

void ScriptedHost::setProgressSuffix(const QString &suffix) {
    progressSuffix = suffix;
}

void ScriptedHost::hideProgress() {
    progressVisible = false;
}

void ScriptedHost::exitProcess(int status) {
    exitStatuses.append(status);
}

QStringList ScriptedHost::messages() const {
    QStringList out;
    for (const Entry &e : entries)
        if (e.kind == Kind::Message) out.append(e.text);
    return out;
}

void ScriptedHost::keepBoxOpen() {
    if (boxOpenMs > 0) EventPump::pause(boxOpenMs);
}
