// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPlainTextEdit>
#include <QTimer>

#include <functional>

class TApdComPort;
class QTextDocument;

// The terminal view on the serial port (object name "AdTerminal1"): shows what the devices send, sends
// what the user types, keeps a bounded scroll-back, and saves or captures the port's traffic log.
//
// Two views share the pane. The terminal view (the default: black, silver text, keys sent as typed)
// shows the received bytes as a terminal would, or as hexadecimal pairs. The log view shows the port's
// traffic log, one line per burst with its time, sent and received in their own colours and marks where
// the port opened, closed or changed. Arriving bytes never take the user's selection away and never
// scroll the pane when the user has scrolled up or paused the scrolling.
class TerminalPane : public QPlainTextEdit {
    Q_OBJECT
public:
    static constexpr int ScrollBackLines = 2000;
    // No line holds more characters: a longer one goes on in the next line, so that the pane holds at
    // most ScrollBackLines x MaxLineChars characters and one line without an end cannot slow it down.
    static constexpr int MaxLineChars = 256;
    static constexpr int HexBytesPerLine = 16;
    static constexpr int LogRefreshMs = 100;

    enum class View { Terminal, Log };
    enum class LineEnd { None, Cr, Lf, CrLf };

    explicit TerminalPane(QWidget *parent = nullptr);

    void attach(TApdComPort *port);
    // Where the traffic log and a capture go (save dialogs by default; tests answer them themselves),
    // how a failure reaches the user, where a success is told, and the lines that head a saved log or
    // a capture (by default the port's settings).
    void setSavePathChooser(std::function<QString()> chooser) { pathChooser = std::move(chooser); }
    void setCapturePathChooser(std::function<QString()> chooser) { capturePathChooser = std::move(chooser); }
    void setMessenger(std::function<void(const QString &)> messenger) { messenger_ = std::move(messenger); }
    void setStatusReporter(std::function<void(const QString &)> reporter) { status_ = std::move(reporter); }
    void setHeaderProvider(std::function<QStringList()> provider) { header_ = std::move(provider); }
    QStringList header() const;

    // One key typed in the pane. A Backspace on an open port is sent as backspace, blank, backspace
    // so that the far end's echo erases the character on screen as well.
    void AdTerminal1KeyPress(char key);
    // The bytes a key sends: its text in UTF-8, Enter CR, Backspace 8, Tab 9, Esc 27, Ctrl+A .. Ctrl+Z
    // 1 .. 26; nothing for keys that only move about or copy.
    static QByteArray keyBytes(const QKeyEvent *event);
    // Sends a line typed in line mode: its text in UTF-8, then the line end.
    void sendLine(const QString &text, LineEnd end);
    static QByteArray lineEndBytes(LineEnd end);

    // Shows bytes received from the port in the terminal view.
    void showReceived(const QByteArray &bytes);
    // "Save Traffic Log...": asks for a file and writes the log there.
    void saveTrafficLog();
    // Asks for a file and writes the traffic to it as it happens; false when none was started.
    bool startCapture();
    void stopCapture();
    bool capturing() const;

    View view() const { return m_view; }
    void setView(View view);
    bool hexView() const { return m_hex; }
    void setHexView(bool on);
    bool autoScrollPaused() const { return m_paused; }
    void setAutoScrollPaused(bool paused);
    // Empties the view shown (the traffic log keeps everything).
    void clearView();
    // Brings the log view up to date (a timer does it while the log view is shown).
    void refreshLogView();

    // The user put the focus here (a click, Tab, a shortcut) since the pane was last shown or left.
    bool focusInvited() const { return invited; }

signals:
    void captureChanged(bool capturing);
    // The program gave the pane the focus without the user asking for it (the page coming up while a
    // control of the previous page had it). The owner moves it elsewhere at once, before any key.
    void focusTurnedDown();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    // Tab is a key to send, not a move to the next control; Shift+Tab still leaves the pane.
    bool focusNextPrevChild(bool next) override { return !next && QPlainTextEdit::focusNextPrevChild(next); }

private:
    void onDataAvailable(int count);
    template <typename Insert> void appendTo(QTextDocument *doc, Insert &&insert);
    void insertCapped(QTextCursor &cursor, const QString &text, int lineLimit);
    void newLine(QTextCursor &cursor);
    void insertTerminalText(QTextCursor &cursor, const QByteArray &bytes);
    void insertTerminalHex(QTextCursor &cursor, const QByteArray &bytes);
    void report(const QString &text) const;

    TApdComPort *port = nullptr;
    QTextDocument *terminalDoc = nullptr;
    QTextDocument *logDoc = nullptr;
    QTimer logTimer;
    std::function<QString()> pathChooser;
    std::function<QString()> capturePathChooser;
    std::function<void(const QString &)> messenger_;
    std::function<void(const QString &)> status_;
    std::function<QStringList()> header_;
    View m_view = View::Terminal;
    bool m_hex = false;
    bool m_paused = false;
    bool invited = false;
    bool pendingCr = false; // a CR was shown as a line break; an LF right after it is the same break
    int blocksAdded = 0;
    qint64 logShownSerial = -1; // the last log chunk shown, and how many of its bytes
    qsizetype logShownBytes = 0;
};
