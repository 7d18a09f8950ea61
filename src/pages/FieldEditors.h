// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FieldEditor.h"
#include "PageContext.h"

#include <QHash>
#include <QList>
#include <QObject>

#include <functional>

class QLineEdit;
class QWidget;
class SpinButton;

// What a sender gets: the field, the screen and address it acts on, and the validated value(s).
struct FieldSend {
    const FieldRow &row;
    int screen;
    int device;
    int channel;
    double value; // pairs: the width
    int offset;   // pairs only
};
using FieldSender = std::function<void(const FieldSend &)>;

// The field editors of one page. The page creates its line edits and spin buttons (createField /
// createSpin give them the names and form properties of the table), then binds them by name; what only
// the page knows (its selected channel, its restores, the senders that read its other controls) it
// supplies as callbacks.
class FieldEditors : public QObject {
    Q_OBJECT
public:
    FieldEditors(const PageContext &context, QWidget *scope, QObject *parent = nullptr);

    static QLineEdit *createField(const QString &name, QWidget *parent);
    static SpinButton *createSpin(const QString &fieldName, QWidget *parent);

    // Binds every field of these families that exists under the scope widget (by objectName), with its
    // spin button when one exists. Returns how many fields were bound.
    int bind(const QList<FamilyId> &families);

    // Screen (1..8) of the page's Channel Select, for the fields without a screen of their own.
    void setSelectedScreen(std::function<int()> screen) { selected = std::move(screen); }
    // The refresh that puts the model's value back after an out-of-range message; gets the screen.
    void setRestore(FamilyId family, std::function<void(int screen)> restore);
    // Replaces or supplies a family's sender. Black level, halo, bridge threshold, contrast and
    // brightness, H and V position and phase have built-in senders; the edge, basic gamma and seam
    // gain families need the page's (they read other controls of the page).
    void setSender(FamilyId family, FieldSender sender);
    // Upper limit of the feather width at the moment of a check; by default half of
    // WindowState::ProjectorResH, truncated.
    void setMaxOverlapWidth(std::function<int()> max) { maxOverlap = std::move(max); }

    FieldEditor *editor(const QString &name) const { return editors.value(name); }
    QList<FieldEditor *> all() const { return editors.values(); }
    // Runs a field's exit validation directly (Send Current Settings, the Reset Seam Gain button).
    bool EditExit(const QString &name);

    const PageContext &context() const { return ctx; }
    QWidget *scope() const { return scopeWidget; }

    // Limits of a family as they are now.
    void range(const FieldFamily &family, double &lower, double &upper) const;
    QString rangeLabel(const FieldFamily &family) const;
    int selectedScreen() const { return selected ? selected() : 1; }
    void restore(const FieldEditor &editor);
    void send(const FieldSend &what);

    // A message opened from a focus loss moves the focus again; while it is open, and while the focus is
    // given back to a field, no other field validates.
    static bool quiet() { return messageOpen || refocusing; }
    static bool messageOpen;
    static bool refocusing;

private:
    void builtInSend(const FieldSend &what);

    PageContext ctx;
    QWidget *scopeWidget;
    QHash<QString, FieldEditor *> editors;
    QHash<int, std::function<void(int)>> restores;
    QHash<int, FieldSender> senders;
    std::function<int()> selected;
    std::function<int()> maxOverlap;
};
