// SPDX-License-Identifier: GPL-3.0-or-later
#include "TerminalPane.h"

#include "TApdComPort.h"
#include "TrafficLog.h"

#include <QContextMenuEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextDocumentLayout>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

namespace {

const QColor Silver(0xc0, 0xc0, 0xc0);
const QColor SentColour(0xff, 0xc8, 0x50);
const QColor MarkColour(0x70, 0xc0, 0xff);
const QColor TimeColour(0x90, 0x90, 0x90);

QTextDocument *makeDocument(QObject *parent) {
    auto *doc = new QTextDocument(parent);
    doc->setDocumentLayout(new QPlainTextDocumentLayout(doc));
    doc->setUndoRedoEnabled(false);
    doc->setMaximumBlockCount(TerminalPane::ScrollBackLines);
    return doc;
}

QTextCharFormat coloured(const QColor &colour) {
    QTextCharFormat format;
    format.setForeground(colour);
    return format;
}

bool isCopyChord(const QKeyEvent *event) {
    const auto mods = event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    return mods == (Qt::ControlModifier | Qt::ShiftModifier) &&
           (event->key() == Qt::Key_C || event->key() == Qt::Key_A);
}

} // namespace

TerminalPane::TerminalPane(QWidget *parent) : QPlainTextEdit(parent) {
    setObjectName(QStringLiteral("AdTerminal1"));
    setAccessibleName(tr("Terminal"));
    terminalDoc = makeDocument(this);
    logDoc = makeDocument(this);
    setDocument(terminalDoc);
    setReadOnly(true);
    // Read-only for editing, but it must still take the focus and the keys it sends.
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFocusPolicy(Qt::StrongFocus);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setUndoRedoEnabled(false);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::black);
    colours.setColor(QPalette::Text, Silver);
    setPalette(colours);
    setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 9));
    pathChooser = [this] {
        return QFileDialog::getSaveFileName(this, tr("Save Traffic Log"),
                                            QStringLiteral("lumivane-traffic.txt"),
                                            tr("Text files (*.txt);;All files (*)"));
    };
    capturePathChooser = [this] {
        return QFileDialog::getSaveFileName(this, tr("Capture Traffic"),
                                            QStringLiteral("lumivane-capture.txt"),
                                            tr("Text files (*.txt);;All files (*)"));
    };
    messenger_ = [this](const QString &text) { QMessageBox::warning(this, tr("QLN - Lumivane"), text); };
    logTimer.setInterval(LogRefreshMs);
    connect(&logTimer, &QTimer::timeout, this, &TerminalPane::refreshLogView);
}

void TerminalPane::attach(TApdComPort *p) {
    port = p;
    connect(port, &TApdComPort::OnTriggerAvail, this, &TerminalPane::onDataAvailable);
    // A failed capture is found inside the port's own calls: it is told from the event loop, and only
    // while the pane is still there.
    QPointer<TerminalPane> self(this);
    port->trafficLog().setCaptureFailureHandler([self](const QString &path, const QString &reason) {
        if (!self) return;
        QMetaObject::invokeMethod(
            self,
            [self, path, reason] {
                TerminalPane *pane = self;
                emit pane->captureChanged(false);
                if (pane->messenger_)
                    pane->messenger_(
                        tr("Error! The capture to %1 stopped: %2. What was captured before is in the file.")
                            .arg(path, reason));
            },
            Qt::QueuedConnection);
    });
}

QStringList TerminalPane::header() const {
    if (header_) return header_();
    if (!port) return {};
    return {tr("Port: %1").arg(port->devicePath()), tr("Baud: %1").arg(port->Baud()),
            tr("Parity: %1").arg(TApdComPort::parityName(port->Parity()))};
}

void TerminalPane::onDataAvailable(int count) {
    QByteArray bytes(count, Qt::Uninitialized);
    bytes.resize(port->GetBlock(bytes.data(), count));
    showReceived(bytes);
}

// Runs insert on a cursor at the end of doc. When doc is shown, the view follows the new end only when
// it was at the end before and the scrolling is not paused; otherwise the lines in view stay in view
// (lines that went off the top of the scroll-back included). The user's cursor and selection are never
// moved.
template <typename Insert> void TerminalPane::appendTo(QTextDocument *doc, Insert &&insert) {
    const bool shown = doc == document();
    QScrollBar *bar = verticalScrollBar();
    const int value = bar->value();
    const bool follow = shown && !m_paused && value >= bar->maximum();
    const int blocksBefore = doc->blockCount();
    QTextCursor top;
    int linesIntoTop = 0;
    if (shown && !follow) {
        const QTextBlock block = firstVisibleBlock();
        top = QTextCursor(block);
        linesIntoTop = value - block.firstLineNumber();
    }
    blocksAdded = 0;
    QTextCursor cursor(doc);
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    insert(cursor);
    cursor.endEditBlock();
    if (!shown) return;
    if (follow) {
        bar->setValue(bar->maximum());
    } else if (blocksBefore + blocksAdded > doc->blockCount()) {
        // Lines went off the top: keep the same text in view.
        bar->setValue(std::max(0, top.block().firstLineNumber() + linesIntoTop));
    } else {
        bar->setValue(value);
    }
}

void TerminalPane::newLine(QTextCursor &cursor) {
    cursor.insertBlock();
    ++blocksAdded;
}

void TerminalPane::insertCapped(QTextCursor &cursor, const QString &text, int lineLimit) {
    qsizetype done = 0;
    while (done < text.size()) {
        const int room = lineLimit - cursor.positionInBlock();
        if (room <= 0) {
            newLine(cursor);
            continue;
        }
        const qsizetype n = std::min<qsizetype>(room, text.size() - done);
        cursor.insertText(text.mid(done, n));
        done += n;
    }
}

void TerminalPane::insertTerminalText(QTextCursor &cursor, const QByteArray &bytes) {
    QString run;
    auto flush = [&] {
        if (!run.isEmpty()) insertCapped(cursor, run, MaxLineChars);
        run.clear();
    };
    for (char c : bytes) {
        const bool afterCr = std::exchange(pendingCr, false);
        switch (c) {
        case '\r':
            flush();
            newLine(cursor);
            pendingCr = true;
            break;
        case '\n':
            if (afterCr) break;
            flush();
            newLine(cursor);
            break;
        case '\b':
            flush();
            if (!cursor.atBlockStart()) cursor.deletePreviousChar();
            break;
        default:
            // Other control characters have no picture; the traffic log and the hex view keep them.
            if (uchar(c) >= 0x20 && c != 0x7f) run += QChar(uchar(c));
        }
    }
    flush();
}

void TerminalPane::insertTerminalHex(QTextCursor &cursor, const QByteArray &bytes) {
    insertCapped(cursor, QString::fromLatin1(TrafficLog::hex(bytes)), HexBytesPerLine * 3);
}

void TerminalPane::showReceived(const QByteArray &bytes) {
    if (bytes.isEmpty()) return;
    appendTo(terminalDoc, [&](QTextCursor &cursor) {
        if (m_hex)
            insertTerminalHex(cursor, bytes);
        else
            insertTerminalText(cursor, bytes);
    });
}

void TerminalPane::refreshLogView() {
    if (!port) return;
    const TrafficLog &log = port->trafficLog();
    const std::deque<TrafficLog::Chunk> &chunks = log.chunks();
    if (chunks.empty()) return;
    if (logShownSerial == log.endSerial() - 1 && logShownBytes == chunks.back().bytes.size()) return;
    const bool hex = m_hex;
    auto payload = [hex](const TrafficLog::Chunk &chunk, const QByteArray &bytes) {
        if (chunk.direction == TrafficLog::Direction::Mark) return QString::fromUtf8(bytes);
        return QString::fromLatin1(hex ? TrafficLog::hex(bytes) : TrafficLog::escaped(bytes));
    };
    auto colour = [](const TrafficLog::Chunk &chunk) {
        switch (chunk.direction) {
        case TrafficLog::Direction::Sent:
            return coloured(SentColour);
        case TrafficLog::Direction::Received:
            return coloured(Silver);
        case TrafficLog::Direction::Mark:
            break;
        }
        return coloured(MarkColour);
    };
    auto lineStart = [](const TrafficLog::Chunk &chunk) {
        // The date is in the saved log; the view has the time only.
        return QString::fromLatin1(TrafficLog::lineStart(chunk).mid(11));
    };
    appendTo(logDoc, [&](QTextCursor &cursor) {
        const qint64 first = log.firstSerial();
        if (logShownSerial >= first && logShownSerial < log.endSerial()) {
            const TrafficLog::Chunk &chunk = chunks.at(logShownSerial - first);
            if (chunk.bytes.size() > logShownBytes) {
                if (cursor.atStart()) {
                    cursor.setCharFormat(coloured(TimeColour));
                    cursor.insertText(lineStart(chunk));
                }
                cursor.setCharFormat(colour(chunk));
                insertCapped(cursor, payload(chunk, chunk.bytes.mid(logShownBytes)), MaxLineChars);
            }
        }
        // At most a scroll-back's worth of lines, however much the log holds.
        for (qint64 serial = std::max({logShownSerial + 1, first, log.endSerial() - ScrollBackLines});
             serial < log.endSerial(); ++serial) {
            const TrafficLog::Chunk &chunk = chunks.at(serial - first);
            if (!cursor.atStart()) newLine(cursor);
            cursor.setCharFormat(coloured(TimeColour));
            cursor.insertText(lineStart(chunk));
            cursor.setCharFormat(colour(chunk));
            insertCapped(cursor, payload(chunk, chunk.bytes), MaxLineChars);
        }
    });
    logShownSerial = log.endSerial() - 1;
    logShownBytes = chunks.back().bytes.size();
}

void TerminalPane::setView(View view) {
    if (view == m_view) return;
    m_view = view;
    setDocument(view == View::Log ? logDoc : terminalDoc);
    if (view == View::Log) {
        refreshLogView();
        logTimer.start();
    } else {
        logTimer.stop();
    }
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void TerminalPane::setHexView(bool on) {
    if (on == m_hex) return;
    m_hex = on;
    // The terminal goes on in the new form on a line of its own; the log view is drawn again.
    appendTo(terminalDoc, [&](QTextCursor &cursor) {
        if (!cursor.atBlockStart()) newLine(cursor);
    });
    pendingCr = false;
    logDoc->clear();
    logShownSerial = -1;
    logShownBytes = 0;
    if (m_view == View::Log) refreshLogView();
}

void TerminalPane::setAutoScrollPaused(bool paused) {
    m_paused = paused;
    if (!paused) verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void TerminalPane::clearView() {
    document()->clear();
    if (m_view == View::Terminal) {
        pendingCr = false;
    } else if (port && !port->trafficLog().chunks().empty()) {
        logShownSerial = port->trafficLog().endSerial() - 1;
        logShownBytes = port->trafficLog().chunks().back().bytes.size();
    }
}

void TerminalPane::AdTerminal1KeyPress(char key) {
    if (!port) return;
    if (key == '\b' && port->isOpen()) {
        for (char c : {'\b', ' ', '\b'})
            port->PutChar(c);
        return;
    }
    port->PutChar(key);
}

QByteArray TerminalPane::keyBytes(const QKeyEvent *event) {
    const auto mods = event->modifiers();
    const int key = event->key();
    if (mods & (Qt::AltModifier | Qt::MetaModifier)) return {};
    if (mods & Qt::ControlModifier) {
        // Ctrl with Shift is left for copying (Ctrl+Shift+C) and selecting all (Ctrl+Shift+A).
        if (!(mods & Qt::ShiftModifier) && key >= Qt::Key_A && key <= Qt::Key_Z)
            return QByteArray(1, char(key - Qt::Key_A + 1));
        return {};
    }
    switch (key) {
    case Qt::Key_Backspace:
        return QByteArray(1, '\b');
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QByteArray(1, '\r');
    case Qt::Key_Escape:
        return QByteArray(1, '\x1b');
    case Qt::Key_Tab:
        return QByteArray(1, '\t');
    default:
        break;
    }
    const QString text = event->text();
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) return {};
    return text.toUtf8();
}

bool TerminalPane::event(QEvent *event) {
    // Keys that send bytes, and the copy chords, come before any shortcut of the window.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (isCopyChord(key) || !keyBytes(key).isEmpty()) {
            event->accept();
            return true;
        }
    }
    return QPlainTextEdit::event(event);
}

void TerminalPane::keyPressEvent(QKeyEvent *event) {
    if (isCopyChord(event)) {
        if (event->key() == Qt::Key_C)
            copy();
        else
            selectAll();
        return;
    }
    // Keys that produce bytes go to the port one by one; the rest (arrows, page keys, Ctrl+Insert)
    // keep their usual meaning in the scroll-back.
    const QByteArray bytes = keyBytes(event);
    if (bytes.isEmpty()) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    for (char c : bytes)
        AdTerminal1KeyPress(c);
}

QByteArray TerminalPane::lineEndBytes(LineEnd end) {
    switch (end) {
    case LineEnd::None:
        return {};
    case LineEnd::Cr:
        return QByteArrayLiteral("\r");
    case LineEnd::Lf:
        return QByteArrayLiteral("\n");
    case LineEnd::CrLf:
        return QByteArrayLiteral("\r\n");
    }
    return {};
}

void TerminalPane::sendLine(const QString &text, LineEnd end) {
    if (!port || !port->isOpen()) return;
    const QByteArray line = text.toUtf8() + lineEndBytes(end);
    if (!line.isEmpty()) port->PutString(line);
}

namespace {
// The ways a person moves the focus; every other reason is the program's (or a return to where the
// focus was).
bool byTheUser(Qt::FocusReason reason) {
    return reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason ||
           reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason;
}
} // namespace

// Every key typed here goes to the devices, so the pane holds the focus only where the user put it. A
// return of the focus (the window activated again, a box or menu closed, the pages enabled again after a
// send) keeps it here when the user had put it here.
void TerminalPane::focusInEvent(QFocusEvent *event) {
    if (byTheUser(event->reason())) invited = true;
    QPlainTextEdit::focusInEvent(event);
    if (!invited) emit focusTurnedDown();
}

void TerminalPane::focusOutEvent(QFocusEvent *event) {
    if (byTheUser(event->reason())) invited = false;
    QPlainTextEdit::focusOutEvent(event);
}

// The pane is hidden with its page: coming back to the page is not putting the focus here.
void TerminalPane::hideEvent(QHideEvent *event) {
    // A minimised window hides it too (spontaneously); restored, the focus comes back where it was.
    if (!event->spontaneous()) invited = false;
    QPlainTextEdit::hideEvent(event);
}

void TerminalPane::contextMenuEvent(QContextMenuEvent *event) {
    QMenu *menu = createStandardContextMenu(event->pos());
    menu->addSeparator();
    QAction *save = menu->addAction(tr("Save Traffic Log..."));
    save->setObjectName(QStringLiteral("SaveTrafficLogAction"));
    save->setEnabled(port != nullptr);
    connect(save, &QAction::triggered, this, &TerminalPane::saveTrafficLog);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void TerminalPane::report(const QString &text) const {
    if (status_) status_(text);
}

void TerminalPane::saveTrafficLog() {
    if (!port) return;
    const QString path = pathChooser ? pathChooser() : QString();
    if (path.isEmpty()) return;
    QString error;
    if (!port->trafficLog().writeTo(path, header(), &error)) {
        if (messenger_) messenger_(tr("Error! Unable to save the traffic log to %1: %2.").arg(path, error));
        return;
    }
    report(tr("Traffic log saved to %1").arg(path));
}

bool TerminalPane::startCapture() {
    if (!port) return false;
    const QString path = capturePathChooser ? capturePathChooser() : QString();
    if (path.isEmpty()) return false;
    QString error;
    if (!port->trafficLog().startCapture(path, header(), &error)) {
        if (messenger_) messenger_(tr("Error! Unable to capture the traffic to %1: %2.").arg(path, error));
        return false;
    }
    report(tr("Capturing the traffic to %1").arg(path));
    emit captureChanged(true);
    return true;
}

void TerminalPane::stopCapture() {
    if (!port || !port->trafficLog().capturing()) return;
    const QString path = port->trafficLog().capturePath();
    port->trafficLog().stopCapture();
    report(tr("Traffic captured to %1").arg(path));
    emit captureChanged(false);
}

bool TerminalPane::capturing() const {
    return port && port->trafficLog().capturing();
}
