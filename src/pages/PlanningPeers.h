// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// What the Planning page needs from the rest of the window: the other pages' share of a projector-count
// change, the Information page's slice labels, and the link. The shell implements it by calling the
// other pages' operations and the link's controllers; the page never touches another page's widgets.
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

    // Information page: projector p's slice of the source image ("N/A" for projectors not in the wall).
    virtual void showSlice(int projector, const QString &start, const QString &end) = 0;

    // The link.
    virtual bool linkActive() const = 0;
    virtual bool controllerMode() const = 0;
    virtual bool checkKestrixCount() = 0;
    // The calculator's read of the devices into the model (the pages are not refreshed), with its
    // messages said; true when every device was read.
    virtual bool readDevicesForCalculation() = 0;
    virtual void sendProjectorCount(int device, int total) = 0;
    virtual void sendDisplayLayout(int device, int justification, int overlap) = 0;
};
