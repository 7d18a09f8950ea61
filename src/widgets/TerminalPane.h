#pragma once

#include <QPlainTextEdit>

#include <functional>

class TApdComPort;

// The terminal view on the serial port (object name "AdTerminal1"): shows what the devices send, sends
// what the user types, keeps a bounded scroll-back, and saves the port's traffic log from its context
// menu.
class TerminalPane : public QPlainTextEdit {
    Q_OBJECT
public:
    static constexpr int ScrollBackLines = 2000;

    explicit TerminalPane(QWidget *parent = nullptr);

    void attach(TApdComPort *port);
    // Where the traffic log goes (a save dialog by default; tests answer it themselves) and how a
    // failure reaches the user.
    void setSavePathChooser(std::function<QString()> chooser) { pathChooser = std::move(chooser); }
    void setMessenger(std::function<void(const QString &)> messenger) { messenger_ = std::move(messenger); }

    // One key typed in the pane. A Backspace on an open port is sent as backspace, blank, backspace
    // so that the far end's echo erases the character on screen as well.
    void AdTerminal1KeyPress(char key);
    // Shows bytes received from the port.
    void showReceived(const QByteArray &bytes);
    // "Save Traffic Log...": asks for a file and writes the log there.
    void saveTrafficLog();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void onDataAvailable(int count);

    TApdComPort *port = nullptr;
    std::function<QString()> pathChooser;
    std::function<void(const QString &)> messenger_;
    bool pendingCr = false; // a CR was shown as a line break; an LF right after it is the same break
};
