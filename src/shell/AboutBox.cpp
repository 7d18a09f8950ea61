// SPDX-License-Identifier: GPL-3.0-or-later
#include "AboutBox.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QStyle>

AboutBox::AboutBox(const QString &versionText, QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(tr("About Lumivane"));

    auto *icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(48, 48));

    auto *name = new QLabel(tr("Quillon : Lumivane"), this);
    QFont large = name->font();
    large.setPointSize(large.pointSize() * 2);
    large.setBold(true);
    name->setFont(large);

    auto *version = new QLabel(versionText, this);
    version->setObjectName(QStringLiteral("VersionLabel"));

    auto *description = new QLabel(tr("Minimum resolution required is 1024x768.\n\nPlease visit the Quillon "
                                      "web site for the newest version "
                                      "of Lumivane and for the Kestrix documentation."),
                                   this);
    description->setWordWrap(true);

    auto *contact = new QLabel(
        QStringLiteral("Support: <a href=\"mailto:support@quillon.example\">support@quillon.example</a><br>"
                       "Web: <a href=\"https://www.quillon.example\">www.quillon.example</a>"),
        this);
    contact->setOpenExternalLinks(true);

    auto *licence =
        new QLabel(tr("Lumivane is free software: you may redistribute and change it under the terms "
                      "of the GNU General Public License, version 3 or later. It comes with no "
                      "warranty."),
                   this);
    licence->setObjectName(QStringLiteral("LicenceLabel"));
    licence->setWordWrap(true);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto *layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(name, 0, 1);
    layout->addWidget(version, 1, 1);
    layout->addWidget(description, 2, 1);
    layout->addWidget(contact, 3, 1);
    layout->addWidget(licence, 4, 1);
    layout->addWidget(buttons, 5, 0, 1, 2);
    setFixedWidth(420);
}
