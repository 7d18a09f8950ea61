#pragma once

#include <QString>

class QLineEdit;
class SpinButton;

// What the Planning page needs from the rest of the window: the other pages' share of a projector-count
// change, the Display Setup page's overlap width field, the Information page's slice labels, and the
// link. The shell implements it by calling the other pages and the link's controllers; the page never
// touches another page's widgets except the overlap width field it shares.
class PlanningPeers {
public:
    virtual ~PlanningPeers() = default;

    // Display Setup: the groups shown for n projectors (before the alignment is sent) and the screens
    // and channel choices of every page (after).
    virtual void arrangeSystemGroups(int n) = 0;
    virtual void arrangeScreens(int n) = 0;
    // Display Setup's advanced-mode handling, which sets the groups' initial visibility.
    virtual void applyAdvancedMode() = 0;
    // What the first calculation enables on the other pages (Display Setup's controls, the Information
    // page's Reset button).
    virtual void enableAfterCalculation() = 0;
    // Enter in the overlap width field: on to the first test pattern of the inner page shown.
    virtual void focusFirstTestPattern() = 0;
    // The Display Setup page's "Overlap Width" field and its spin button.
    virtual QLineEdit *overlapWidthEdit() const = 0;
    virtual SpinButton *overlapWidthUpDown() const = 0;

    // Information page: projector p's slice of the source image ("N/A" for projectors not in the wall).
    virtual void showSlice(int projector, const QString &start, const QString &end) = 0;

    // The link.
    virtual bool linkActive() const = 0;
    virtual bool controllerMode() const = 0;
    virtual int queryKestrixCount() = 0;
    virtual bool checkKestrixCount() = 0;
    // Reads one device's records into the model (the pages are not refreshed); 1 on success.
    virtual int readDevice(int device) = 0;
    virtual void sendProjectorCount(int device, int total) = 0;
    virtual void sendDisplayLayout(int device, int justification, int overlap) = 0;
};
