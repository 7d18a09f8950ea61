// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditMenu.h"

#include "MainMenu.h"
#include "UndoRecorder.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QUndoView>
#include <QVBoxLayout>

namespace {

bool isRedoKey(const QKeyEvent *key) {
    return key->matches(QKeySequence::Redo) ||
           key->keyCombination() == QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z);
}

} // namespace

EditMenu::EditMenu(MainMenu &menu, UndoRecorder &recorder, QWidget &window)
    : QObject(&window), recorder(recorder), window(window) {
    QUndoStack *stack = recorder.stack();
    QAction *undo = menu.action(QStringLiteral("Undo1"));
    QAction *redo = menu.action(QStringLiteral("Redo1"));
    connect(undo, &QAction::triggered, this, [&recorder] { recorder.undo(); });
    connect(redo, &QAction::triggered, this, [&recorder] { recorder.redo(); });
    connect(menu.action(QStringLiteral("RevertToLastRead1")), &QAction::triggered, this,
            [&recorder] { recorder.RevertToLastRead(); });
    connect(menu.action(QStringLiteral("UndoHistory1")), &QAction::triggered, this,
            [this] { showHistory(); });
    // The items name the step they would take back or do again.
    connect(stack, &QUndoStack::canUndoChanged, undo, &QAction::setEnabled);
    connect(stack, &QUndoStack::canRedoChanged, redo, &QAction::setEnabled);
    connect(stack, &QUndoStack::undoTextChanged, undo, &QAction::setStatusTip);
    connect(stack, &QUndoStack::redoTextChanged, redo, &QAction::setStatusTip);
    qApp->installEventFilter(this);
}

QWidget *EditMenu::historyWindow() {
    if (history) return history;
    history = new QWidget(&window, Qt::Tool);
    history->setObjectName(QStringLiteral("UndoHistoryForm"));
    history->setWindowTitle(tr("Lumivane - Undo History"));
    view = new QUndoView(recorder.stack(), history);
    view->setObjectName(QStringLiteral("UndoHistoryView"));
    view->setEmptyLabel(recorder.historyStart());
    connect(&recorder, &UndoRecorder::historyStartChanged, view, &QUndoView::setEmptyLabel);
    auto *layout = new QVBoxLayout(history);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(view);
    history->resize(320, 260);
    return history;
}

QUndoView *EditMenu::historyView() {
    historyWindow();
    return view;
}

void EditMenu::showHistory() {
    historyWindow()->show();
    history->raise();
}

// A field with its own typing to take back keeps the keys; otherwise they go to the window's items.
bool EditMenu::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::ShortcutOverride) return false;
    auto *edit = qobject_cast<QLineEdit *>(watched);
    if (!edit || edit->window() != &window || edit->isReadOnly()) return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool undo = key->matches(QKeySequence::Undo) && !edit->isUndoAvailable();
    const bool redo = isRedoKey(key) && !edit->isRedoAvailable();
    if (!undo && !redo) return false;
    event->ignore();
    return true;
}
