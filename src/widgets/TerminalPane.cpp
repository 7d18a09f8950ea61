#include "TerminalPane.h"

#include "TApdComPort.h"

#include <QContextMenuEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QTextBlock>

TerminalPane::TerminalPane(QWidget *parent) : QPlainTextEdit(parent) {
    setObjectName(QStringLiteral("AdTerminal1"));
    setReadOnly(true);
    // Read-only for editing, but it must still take the focus and the keys it sends.
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFocusPolicy(Qt::StrongFocus);
    setMaximumBlockCount(ScrollBackLines);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setUndoRedoEnabled(false);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::black);
    colours.setColor(QPalette::Text, QColor(0xc0, 0xc0, 0xc0)); // silver
    setPalette(colours);
    setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 9));
    pathChooser = [this] {
        return QFileDialog::getSaveFileName(this, tr("Save Traffic Log"),
                                            QStringLiteral("lumivane-traffic.txt"),
                                            tr("Text files (*.txt);;All files (*)"));
    };
    messenger_ = [this](const QString &text) { QMessageBox::warning(this, tr("QLN - Lumivane"), text); };
}

void TerminalPane::attach(TApdComPort *p) {
    port = p;
    connect(port, &TApdComPort::OnTriggerAvail, this, &TerminalPane::onDataAvailable);
}

void TerminalPane::onDataAvailable(int count) {
    QByteArray bytes(count, Qt::Uninitialized);
    bytes.resize(port->GetBlock(bytes.data(), count));
    showReceived(bytes);
}

void TerminalPane::showReceived(const QByteArray &bytes) {
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    QString run;
    auto flush = [&] {
        if (!run.isEmpty()) cursor.insertText(run);
        run.clear();
    };
    for (char c : bytes) {
        const bool afterCr = std::exchange(pendingCr, false);
        switch (c) {
        case '\r':
            flush();
            cursor.insertBlock();
            pendingCr = true;
            break;
        case '\n':
            if (afterCr) break;
            flush();
            cursor.insertBlock();
            break;
        case '\b':
            flush();
            if (!cursor.atBlockStart()) cursor.deletePreviousChar();
            break;
        default:
            // Other control characters have no picture; the traffic log keeps them.
            if (uchar(c) >= 0x20 && c != 0x7f) run += QChar(uchar(c));
        }
    }
    flush();
    ensureCursorVisible();
    moveCursor(QTextCursor::End);
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

void TerminalPane::keyPressEvent(QKeyEvent *event) {
    // Keys that produce a character (Enter gives CR, Backspace 8) go to the port; the rest
    // (arrows, page keys, copy shortcuts) keep their usual meaning in the scroll-back.
    const QByteArray text = event->text().toLatin1();
    if (event->key() == Qt::Key_Backspace) {
        AdTerminal1KeyPress('\b');
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        AdTerminal1KeyPress('\r');
        return;
    }
    if (text.size() == 1 && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
        uchar(text.at(0)) >= 0x20) {
        AdTerminal1KeyPress(text.at(0));
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
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

void TerminalPane::saveTrafficLog() {
    if (!port) return;
    const QString path = pathChooser ? pathChooser() : QString();
    if (path.isEmpty()) return;
    QString error;
    if (!port->trafficLog().writeTo(path, &error) && messenger_) messenger_(error);
}
