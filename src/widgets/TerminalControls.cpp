// SPDX-License-Identifier: GPL-3.0-or-later
#include "TerminalControls.h"

#include "TerminalPane.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include <functional>

namespace {

QPushButton *smallButton(const QString &text, QWidget *parent) {
    auto *button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::TabFocus);
    button->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    return button;
}

} // namespace

TerminalToolBar::TerminalToolBar(TerminalPane *pane, QWidget *parent) : QWidget(parent), pane(pane) {
    setObjectName(QStringLiteral("TerminalToolBar"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);

    viewChoice = new QComboBox(this);
    viewChoice->setObjectName(QStringLiteral("TerminalViewComboBox"));
    viewChoice->setAccessibleName(tr("Terminal view"));
    viewChoice->setToolTip(tr("Terminal: what the devices send, as a terminal shows it. "
                              "Log: every burst sent and received, with its time."));
    viewChoice->addItems({tr("Terminal"), tr("Log")});
    viewChoice->setFocusPolicy(Qt::TabFocus);
    connect(viewChoice, &QComboBox::currentIndexChanged, this, [this](int index) {
        this->pane->setView(index == 1 ? TerminalPane::View::Log : TerminalPane::View::Terminal);
    });
    row->addWidget(viewChoice);

    struct Control {
        const char *name;
        QString text;
        QString accessibleName;
        QString tip;
        bool checkable;
        std::function<void(bool)> act;
    };
    const Control controls[] = {
        {"TerminalHexButton", tr("Hex"), tr("Show bytes in hexadecimal"),
         tr("Show the bytes as hexadecimal pairs"), true, [this](bool on) { this->pane->setHexView(on); }},
        {"TerminalPauseButton", tr("Pause"), tr("Pause scrolling"),
         tr("Keep the view where it is while bytes arrive"), true,
         [this](bool on) { this->pane->setAutoScrollPaused(on); }},
        {"TerminalClearButton", tr("Clear"), tr("Clear the view"),
         tr("Empty the view (the traffic log keeps everything)"), false,
         [this](bool) { this->pane->clearView(); }},
        {"TerminalSaveButton", tr("Save Log..."), tr("Save the traffic log"),
         tr("Write everything sent and received to a file"), false,
         [this](bool) { this->pane->saveTrafficLog(); }},
        {"TerminalCaptureButton", tr("Capture..."), tr("Capture the traffic to a file"),
         tr("Write the traffic to a file as it happens"), true,
         [this](bool on) {
             if (on == this->pane->capturing()) return;
             if (on) {
                 if (!this->pane->startCapture()) captureButton->setChecked(false);
             } else {
                 this->pane->stopCapture();
             }
         }},
    };
    for (const Control &control : controls) {
        QPushButton *button = smallButton(control.text, this);
        button->setObjectName(QString::fromLatin1(control.name));
        button->setAccessibleName(control.accessibleName);
        button->setToolTip(control.tip);
        button->setCheckable(control.checkable);
        connect(button, control.checkable ? &QPushButton::toggled : &QPushButton::clicked, this, control.act);
        row->addWidget(button);
        if (control.name == std::string_view("TerminalCaptureButton")) captureButton = button;
    }
    row->addStretch(1);
    connect(pane, &TerminalPane::captureChanged, this, [this](bool on) {
        QSignalBlocker quiet(captureButton);
        captureButton->setChecked(on);
    });
}

void LineHistory::add(const QString &line) {
    if (!line.isEmpty() && (lines.isEmpty() || lines.last() != line)) lines.append(line);
    if (lines.size() > Limit) lines.removeFirst();
    position = lines.size();
    fresh.clear();
}

QString LineHistory::older(const QString &current) {
    if (position == lines.size()) fresh = current;
    if (position > 0) --position;
    return position < lines.size() ? lines.at(position) : fresh;
}

QString LineHistory::newer() {
    if (position < lines.size()) ++position;
    return position < lines.size() ? lines.at(position) : fresh;
}

void HistoryLineEdit::keyPressEvent(QKeyEvent *event) {
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (event->key() == Qt::Key_Up) {
            setText(m_history.older(text()));
            return;
        }
        if (event->key() == Qt::Key_Down) {
            setText(m_history.newer());
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

TerminalLineInput::TerminalLineInput(TerminalPane *pane, QWidget *parent) : QWidget(parent), pane(pane) {
    setObjectName(QStringLiteral("TerminalLineInput"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    auto *caption = new QLabel(tr("Line:"), this);
    edit = new HistoryLineEdit(this);
    edit->setObjectName(QStringLiteral("TerminalLineEdit"));
    edit->setAccessibleName(tr("Line to send"));
    edit->setToolTip(
        tr("Enter sends the line with the chosen line end; Up and Down bring back earlier lines"));
    caption->setBuddy(edit);
    lineEnd = new QComboBox(this);
    lineEnd->setObjectName(QStringLiteral("TerminalLineEndComboBox"));
    lineEnd->setAccessibleName(tr("Line end"));
    lineEnd->setToolTip(tr("What follows each line sent"));
    // In the order of TerminalPane::LineEnd.
    lineEnd->addItems({tr("None"), tr("CR"), tr("LF"), tr("CR LF")});
    lineEnd->setCurrentIndex(int(TerminalPane::LineEnd::Cr));
    auto *sendButton = smallButton(tr("Send"), this);
    sendButton->setObjectName(QStringLiteral("TerminalSendButton"));
    sendButton->setAccessibleName(tr("Send the line"));
    connect(edit, &QLineEdit::returnPressed, this, &TerminalLineInput::send);
    connect(sendButton, &QPushButton::clicked, this, &TerminalLineInput::send);
    row->addWidget(caption);
    row->addWidget(edit, 1);
    row->addWidget(lineEnd);
    row->addWidget(sendButton);
}

void TerminalLineInput::send() {
    pane->sendLine(edit->text(), TerminalPane::LineEnd(lineEnd->currentIndex()));
    edit->history().add(edit->text());
    edit->clear();
}
