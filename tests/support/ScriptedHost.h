// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Host.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>

#include <functional>

// A stand-in for the user: records every message, status text and question, and answers questions
// from a queue filled by the test. A question that the test did not expect (empty queue, or a queued
// answer for another kind of question) is recorded as a failure and answered No / Cancel, so the
// test sees it in unexpected() instead of hanging on a modal box.
class ScriptedHost : public Host {
public:
    enum class Kind { Message, YesNo, OkCancel };
    struct Entry {
        Kind kind;
        QString caption;
        QString text;
        bool answer = false;
        bool busyCursor = false; // the hourglass was showing when the box came up
    };

    // How long each box stays open before it is answered (0: at once). Meanwhile events go on being
    // handled through the program's waiting mechanism, as they would while a person reads the box, so
    // a test can see what happens while a box is up (a watchdog, data arriving, a window closing).
    int boxOpenMs = 0;

    // Queue the answer to the next question of the given kind. An optional expected text prefix makes
    // the host check that the question asked is the one the test means.
    void expectYesNo(bool yes, const QString &textStartsWith = {});
    void expectOkCancel(bool ok, const QString &textStartsWith = {});

    void showMessage(const QString &text) override;
    bool askYesNo(const QString &caption, const QString &text) override;
    bool askOkCancel(const QString &caption, const QString &text) override;
    void setStatusText(const QString &text) override;
    void setPagesEnabled(bool enabled) override;
    void setBusyCursor(bool busy) override;
    bool isBusyCursor() const override { return busyCursor; }
    void showProgress(const QString &text) override;
    void setProgressSuffix(const QString &suffix) override;
    void hideProgress() override;
    void exitProcess(int status) override;

    // Everything shown or asked, in order.
    QList<Entry> entries;
    // The texts of the plain messages only, in order.
    QStringList messages() const;
    // Every status text set, in order (the empty text included).
    QStringList statusTexts;
    // Problems: unexpected questions, questions left unanswered in the queue are not counted here
    // (see pendingAnswers()).
    QStringList unexpected;
    int pendingAnswers() const { return int(answers.size()); }

    bool pagesEnabled = true;
    int pagesDisabledCount = 0;
    QList<bool> pagesStates; // every state the pages were given, in order
    bool busyCursor = false;
    bool progressVisible = false;
    QString progressText;
    QString progressSuffix;
    QStringList progressTexts;
    // exitProcess records the status instead of ending the test process; callbacks may act on it.
    QList<int> exitStatuses;

    // Called for each plain message after it has been recorded (e.g. to close a port from a test).
    std::function<void(const QString &)> onMessage;
    // Called for each status text after it has been recorded.
    std::function<void(const QString &)> onStatus;

private:
    struct Answer {
        Kind kind;
        bool value;
        QString prefix;
    };
    bool answer(Kind kind, const QString &caption, const QString &text);
    void keepBoxOpen();
    QQueue<Answer> answers;
};
