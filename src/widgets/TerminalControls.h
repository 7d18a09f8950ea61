// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>
#include <QStringList>
#include <QWidget>

class QComboBox;
class QPushButton;
class TerminalPane;

// The row of controls over the terminal pane: the view (terminal or log), hexadecimal bytes, pausing
// the scrolling, Clear, saving the traffic log and capturing the traffic to a file.
class TerminalToolBar : public QWidget {
    Q_OBJECT
public:
    TerminalToolBar(TerminalPane *pane, QWidget *parent = nullptr);

private:
    TerminalPane *pane;
    QComboBox *viewChoice = nullptr;
    QPushButton *captureButton = nullptr;
};

// Lines typed so far, newest last, for going back and forth with Up and Down.
class LineHistory {
public:
    static constexpr int Limit = 100;
    // Adds a sent line (not a repeat of the newest one) and goes back to a fresh line.
    void add(const QString &line);
    // The line one older or newer than the one shown; `current` is kept as the fresh line when
    // leaving it. Past the newest, the fresh line comes back.
    QString older(const QString &current);
    QString newer();

private:
    QStringList lines;
    qsizetype position = 0; // lines.size() while on the fresh line
    QString fresh;
};

// A line edit that walks its history with Up and Down.
class HistoryLineEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;
    LineHistory &history() { return m_history; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    LineHistory m_history;
};

// The line input under the terminal pane: a whole line is edited first and sent with Enter or Send,
// followed by the chosen line end.
class TerminalLineInput : public QWidget {
    Q_OBJECT
public:
    TerminalLineInput(TerminalPane *pane, QWidget *parent = nullptr);
    void send();

private:
    TerminalPane *pane;
    HistoryLineEdit *edit = nullptr;
    QComboBox *lineEnd = nullptr;
};
