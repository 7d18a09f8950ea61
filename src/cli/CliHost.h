// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Host.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <functional>

// The user of the command-line tool: messages and progress go to stderr (results go to stdout, which
// the host never touches). Questions are answered from the options: Yes with --yes, otherwise No, with
// the question and the way to answer Yes printed. The link recovery's "retry?" question is always
// answered Cancel, because nobody can re-plug a cable for a script: the tool ends with a communication
// failure instead. On a terminal the progress notice is one line redrawn in place with a bar; elsewhere
// each new step is one plain line. Quiet leaves out progress and status notes, never a message or a
// question. A note ("Note: ...") the search repeats for every mode it tries is printed once.
class CliHost : public Host {
public:
    CliHost(std::FILE *err, bool assumeYes, bool terminal, bool quiet = false);

    void showMessage(const QString &text) override;
    bool askYesNo(const QString &caption, const QString &text) override;
    bool askOkCancel(const QString &caption, const QString &text) override;
    void setStatusText(const QString &text) override;
    void setPagesEnabled(bool) override {}
    void setBusyCursor(bool busy) override { busyCursor = busy; }
    bool isBusyCursor() const override { return busyCursor; }
    void showProgress(const QString &text) override;
    void setProgressSuffix(const QString &suffix) override;
    void hideProgress() override;
    void exitProcess(int status) override;

    // Progress as a fraction, for the bar; a step text of its own replaces the last one.
    void setProgressFraction(int done, int total);

    // While a reason is set, every Yes/No question is answered No whatever --yes says, with the reason
    // printed: the read's "go on without this record?" is one, since the tool never keeps a read with
    // records missing. The empty reason goes back to answering from the options.
    void setAlwaysNo(const QString &reason) { alwaysNo = reason; }
    // The question with this caption is always answered No, --yes or not, with the reason printed.
    void answerNo(const QString &caption, const QString &reason) { fixedNo.insert(caption, reason); }

    // Whether any question was answered No for want of --yes, and whether the link's recovery gave up
    // (the program would have ended there).
    bool refusedQuestion() const { return refused; }
    bool exitRequested() const { return exitWanted; }

    bool isQuiet() const { return quiet; }
    // From now on nothing but the tool's own lines: no message, question text, progress or status note
    // (the run was stopped, and what the flows still say is only its echo).
    void silence() {
        hideProgress();
        silenced = true;
    }

    // Whether a note naming this port's path ("COM Port #1 (/dev/ttyUSB0) ...") has been printed.
    bool noteShownAbout(const QString &path) const;

    // Bar drawing, kept separate so that it can be checked on its own: "[#####.....]  50%".
    static QString bar(int done, int total, int width);

    // The terminal's width: the redrawn progress line is cut to fit it, since a line that wraps can no
    // longer be redrawn in place.
    void setColumns(int columns) { terminalColumns = columns; }

    // Rewords what the shared flows say for the tool's user (a message or a status note); returns the
    // text to print. The tool's own setting of it adds to the wording below.
    void setWording(std::function<QString(const QString &)> reword) { wording = std::move(reword); }
    // The flows' advice to use a menu of the window, as the tool's user follows it: run the command
    // again.
    static QString withoutWindowAdvice(const QString &text);

private:
    void line(const QString &text);
    void redraw();
    void endProgressLine();

    std::FILE *err;
    bool assumeYes;
    bool terminal;
    bool quiet;
    bool silenced = false;
    bool busyCursor = false;
    bool refused = false;
    bool exitWanted = false;
    bool progressShown = false;
    QString alwaysNo;
    QHash<QString, QString> fixedNo;
    QStringList notesShown;
    QString progressText;
    QString progressSuffix;
    int done = 0;
    int total = 0;
    int terminalColumns = 80;
    QString lastPlain;
    std::function<QString(const QString &)> wording;
};
