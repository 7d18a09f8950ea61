// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QWidget>

// A page that reacts to page activation: the window calls PageActivated on the page that has just become
// the current one (and after a read, a file load, a disconnect and the automatic operations). usable is
// true when the link is up and no device action is in progress.
class ActivatedPage {
public:
    virtual ~ActivatedPage() = default;
    virtual void PageActivated(bool usable) = 0;

protected:
    // Enables or disables the named controls of a page.
    static void enableNamed(QWidget *page, const QStringList &names, bool enabled) {
        for (const QString &name : names)
            if (auto *w = page->findChild<QWidget *>(name)) w->setEnabled(enabled);
    }
};
