// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// What the device link and the protocol need from the user interface. The main window implements it
// with message boxes, the status bar and the progress notice; tests pass a scripted host that records
// every message and answers questions from a queue. Nothing below the user interface includes a
// widget header: it reaches the user only through this interface.
class Host {
public:
    virtual ~Host() = default;

    // A plain message box with one OK button; its caption is the application title "QLN - Lumivane".
    virtual void showMessage(const QString &text) = 0;
    // Questions owned by the main window. True for Yes / OK.
    virtual bool askYesNo(const QString &caption, const QString &text) = 0;
    virtual bool askOkCancel(const QString &caption, const QString &text) = 0;

    // The one text panel of the status bar; the empty text clears it.
    virtual void setStatusText(const QString &text) = 0;
    // Enables or disables the page container (disabled while a request is on the wire).
    virtual void setPagesEnabled(bool enabled) = 0;
    // The hourglass (true) or the arrow (false), and which of the two is showing.
    virtual void setBusyCursor(bool busy) = 0;
    virtual bool isBusyCursor() const = 0;

    // The progress notice: a small stay-on-top window shown during long device operations.
    // showProgress sets its text, shows it and lets it paint; setProgressSuffix sets the short label
    // beside the text (the dots callers append to show progress).
    virtual void showProgress(const QString &text) = 0;
    virtual void setProgressSuffix(const QString &suffix) = 0;
    virtual void hideProgress() = 0;

    // Ends the process at once with the given status, without any further question.
    virtual void exitProcess(int status) = 0;
};
