// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PlanningPeers.h"

class CommandEngine;
class CommandSet;
class ConnectionController;
class DeviceReader;
class DisplaySetupPage;
class InformationPage;
class SeamRemovalPage;
class SourceSetupPage;

// The Planning page's view of the rest of the window: the other pages' share of a projector-count
// change and the link, reached through the pages' and controllers' own operations.
class ShellPlanningPeers : public PlanningPeers {
public:
    struct Parts {
        DisplaySetupPage &display;
        SourceSetupPage &source;
        SeamRemovalPage &seams;
        InformationPage &info;
        CommandEngine &engine;
        CommandSet &commands;
        ConnectionController &connection;
        DeviceReader &reader;
    };
    explicit ShellPlanningPeers(const Parts &parts) : p(parts) {}

    void arrangeSystemGroups(int n) override;
    void arrangeScreens(int n) override;
    void applyAdvancedMode() override;
    void enableAfterCalculation() override;
    void showSlice(int projector, const QString &start, const QString &end) override;
    bool linkActive() const override;
    bool controllerMode() const override;
    bool checkKestrixCount() override;
    bool readDevicesForCalculation() override;
    void sendProjectorCount(int device, int total) override;
    void sendDisplayLayout(int device, int justification, int overlap) override;

    // A projector count selected from code (a read or a file taking the wall over) raises no change
    // handling: this arranges the pages that follow the count for n projectors, when they are arranged
    // for another count.
    void followProjectorCount(int n);

private:
    Parts p;
    int arranged = 0; // the count the pages were last arranged for
};
