// SPDX-License-Identifier: GPL-3.0-or-later
#include "FieldBaseline.h"

#include <QLineEdit>

FieldBaseline::FieldBaseline(QLineEdit *field) : QObject(field), edit(field), known(field->text().trimmed()) {
    // A text the program sets is not the user's: QLineEdit marks only the user's edits as modified.
    connect(edit, &QLineEdit::textChanged, this, [this] {
        if (!edit->isModified()) known = edit->text().trimmed();
    });
}

bool FieldBaseline::changed() const {
    return edit->text().trimmed() != known;
}

void FieldBaseline::sent() {
    known = edit->text().trimmed();
    edit->setModified(false);
}

void FieldBaseline::rewrite(const QString &text) {
    const QString before = known;
    edit->setText(text);
    known = before;
    edit->setModified(changed());
}
