// SPDX-License-Identifier: GPL-3.0-or-later
#include "CompareDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {
const char *const kCaption = "Lumivane - Compare with Kestrix(s)";
const char *const kNotReported = "not reported";
} // namespace

QString CompareDialog::summary(const QList<Difference> &rows, int devices) {
    const int unseen =
        int(std::count_if(rows.cbegin(), rows.cend(), [](const Difference &d) { return d.notReported; }));
    const int differing = int(rows.size()) - unseen;
    QString text =
        differing == 0
            ? QStringLiteral("The %1 Kestrix device(s) hold the window's settings.").arg(devices)
            : QStringLiteral("%1 setting(s) differ between the window and the %2 Kestrix device(s).")
                  .arg(differing)
                  .arg(devices);
    if (unseen > 0)
        text += QStringLiteral(" %1 value(s) the window would send are not reported by the devices' records "
                               "and could not be compared.")
                    .arg(unseen);
    return text;
}

CompareDialog::CompareDialog(const QList<Difference> &rows, int devices, QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CompareDialog"));
    setWindowTitle(QString::fromLatin1(kCaption));
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(summary(rows, devices), this);
    label->setObjectName(QStringLiteral("CompareSummaryLabel"));
    label->setWordWrap(true);
    layout->addWidget(label);

    list = new QTableWidget(int(rows.size()), 5, this);
    list->setObjectName(QStringLiteral("CompareTable"));
    list->setAccessibleName(QStringLiteral("Settings that differ"));
    list->setHorizontalHeaderLabels(
        {tr("Kestrix"), tr("Channel"), tr("Setting"), tr("Window"), tr("Kestrix value")});
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->verticalHeader()->hide();
    for (int r = 0; r < rows.size(); ++r) {
        const Difference &d = rows[r];
        // As the pages name and show the setting; a row made without them shows the record's own.
        auto either = [](const QString &shown, const QString &raw) { return shown.isEmpty() ? raw : shown; };
        const QStringList cells{QString::number(d.device), QString::number(d.channel),
                                either(d.label, d.field), either(d.fileText, d.fileValue),
                                d.notReported ? QString::fromLatin1(kNotReported)
                                              : either(d.deviceText, d.deviceValue)};
        for (int c = 0; c < cells.size(); ++c)
            list->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    list->resizeColumnsToContents();
    list->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(list);

    auto *buttons = new QDialogButtonBox(this);
    send = buttons->addButton(tr("Send Window Values to Kestrix(s)"), QDialogButtonBox::ActionRole);
    send->setObjectName(QStringLiteral("SendWindowValuesButton"));
    take = buttons->addButton(tr("Take Kestrix Values into Window"), QDialogButtonBox::ActionRole);
    take->setObjectName(QStringLiteral("TakeKestrixValuesButton"));
    QPushButton *close = buttons->addButton(QDialogButtonBox::Close);
    close->setObjectName(QStringLiteral("CompareCloseButton"));
    const bool anyDiffers =
        std::any_of(rows.cbegin(), rows.cend(), [](const Difference &d) { return !d.notReported; });
    send->setEnabled(anyDiffers);
    take->setEnabled(anyDiffers);
    connect(send, &QPushButton::clicked, this, [this] { choose(SendWindowValues); });
    connect(take, &QPushButton::clicked, this, [this] { choose(TakeDeviceValues); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(640, 420);
}

void CompareDialog::choose(Choice c) {
    chosen = c;
    accept();
}
