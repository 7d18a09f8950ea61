// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QLabel;

// The progress notice: a small stay-on-top window shown while a long device operation runs.
class TInfoForm : public QWidget {
    Q_OBJECT
public:
    explicit TInfoForm(QWidget *parent = nullptr);

    // Sets the text, shows the window and lets it paint before the caller starts the long operation.
    void showNotice(const QString &text);
    // Changes the text of a notice that is up; it is painted with the next pass of the event loop.
    void setText(const QString &text);
    void setProgressText(const QString &dots);
    QString text() const;
    QString progressText() const;

    static constexpr int DesignWidth = 383;
    static constexpr int DesignHeight = 34;

private:
    void centre();
    void fitText(bool shown);

    QLabel *infoLabel;
    QLabel *progressLabel;
};
