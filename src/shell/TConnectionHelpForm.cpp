// SPDX-License-Identifier: GPL-3.0-or-later
#include "TConnectionHelpForm.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

namespace {

const char *const kSettingsRows[] = {
    "\u00b7   Baud Rate          38.4K",
    "\u00b7   Data Bit                     8",
    "\u00b7   Stop Bit                     1",
    "\u00b7   Parity                  NONE",
};

const char *const kControllerRows[] = {
    "Setup Kestrixs Serial settings to the settings shown above.",
    "",
    "Setup Kestrix's serial mode to RS-485 in the SYSTEM OPTIONS menu and select a RS-485 ID.(this setting "
    "can be "
    "found in ",
    "SYSTEM OPTIONS->CONFIG SERIAL menu.) The RS-485 ID number can be set from 1 to 32. The Kestrix RS-485 "
    "ID in a "
    "multi-screen configuration must ",
    "be set to follow the Maralto IDs. In a four-screen configuration the Kestrix ID must be set to 5. In a "
    "five-screen Configuration the first Kestrix ID must ",
    "be set to 6 and the second Kestrix ID must be set to 7. In a six-screen configuration the first Kestrix "
    "ID must "
    "be set to 7 and the second ",
    "Kestrix ID must be set to 8.",
    "",
    "The Controller must be turned on after Kestrix and Maralto Plus have booted completely. The Controller "
    "display "
    "will show KX: N ",
    "(N being the number of Kestrix(s) it detects.) If KX: 0 is shown, check the connection form the Maralto "
    "Plus "
    "frame to the Kestrix and make sure ",
    "that the Kestrix serial mode is set to RS-485 and the proper RS-485 ID has been selected as explained "
    "above. "
    "Reboot the Controller until it detects ",
    "the number of Kestrix(s) that are connected to the Maralto Plus chassis. ",
    "",
    "At this time. click on the \"Serial Port->Search for Kestrix(s)->Search\" menu and establish connection "
    "to the "
    "Kestrix(s).",
};

const char *const kDirectRows[] = {
    "Setup Kestrixs Serial settings to the settings shown above.",
    "",
    "Lumivane can be interfaced directly from the PC to a single Kestrix using a serial communications cable "
    "from the "
    "PC serial port to the Kestrix's REMOTE ",
    "serial port.  If this connection is used, the Kestrix's serial port must be configured for RS-232 "
    "operation and "
    "the serial port settings of the Kestrix must ",
    "be configured for the same baud rate, data bits, stop bits, parity, and handshake settings shown above.",
};

// A paragraph of help text: plain, on the window's background, not selectable. The rows of a
// paragraph run on and wrap at the window's width.
QLabel *paragraph(const QString &text, QWidget *parent) {
    auto *label = new QLabel(text, parent);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

// A heading in bold, then its rows: consecutive rows form one paragraph, an empty row separates two.
template <size_t N> void addSection(QVBoxLayout *layout, const char *heading, const char *const (&rows)[N]) {
    QWidget *parent = layout->parentWidget();
    QLabel *title = paragraph(QString::fromLatin1(heading), parent);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title);
    QString text;
    auto flush = [&] {
        if (!text.isEmpty()) layout->addWidget(paragraph(text, parent));
        text.clear();
    };
    for (const char *row : rows) {
        if (*row) {
            text += QString::fromLatin1(row);
        } else {
            flush();
            layout->addSpacing(title->fontMetrics().height() / 2);
        }
    }
    flush();
}

} // namespace

TConnectionHelpForm::TConnectionHelpForm(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("ConnectionHelpForm"));
    // Escape closes it, as it closes a dialog.
    auto *close = new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);
    close->setContext(Qt::WindowShortcut);
    setWindowTitle(tr("Quillon - Lumivane : Connection Help"));
    setFixedSize(792, 400);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    auto *settings = new QGroupBox(tr("Default Kestrix/Lumivane Serial settings"), this);
    auto *settingsLayout = new QVBoxLayout(settings);
    settingsLayout->setSpacing(0);
    for (const char *text : kSettingsRows)
        settingsLayout->addWidget(paragraph(QString::fromUtf8(text), settings));

    auto *top = new QHBoxLayout;
    top->addWidget(settings);
    top->addSpacing(24);
    top->addWidget(paragraph(tr("For figures and further assistance, please refer to Kestrix manual."), this),
                   1);

    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(2);
    layout->addLayout(top);
    layout->addSpacing(8);
    addSection(layout, "Lumivane with Controller", kControllerRows);
    layout->addSpacing(8);
    addSection(layout, "Lumivane without Controller", kDirectRows);
    layout->addStretch(1);

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}
