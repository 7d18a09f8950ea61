// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShellPlanningPeers.h"

#include "CommandEngine.h"
#include "CommandSet.h"
#include "ConnectionController.h"
#include "DeviceReader.h"
#include "DisplaySetupPage.h"
#include "InformationPage.h"
#include "SeamRemovalPage.h"
#include "SourceSetupPage.h"

void ShellPlanningPeers::arrangeSystemGroups(int n) {
    p.display.ArrangeSystemGroups(n);
}

void ShellPlanningPeers::arrangeScreens(int n) {
    p.display.ArrangeScreens(n);
    p.source.setChannelCount(n);
    p.seams.setChannelCount(n);
    arranged = n;
}

void ShellPlanningPeers::followProjectorCount(int n) {
    if (n < 1 || n > 8 || n == arranged) return;
    arrangeSystemGroups(n);
    arrangeScreens(n);
}

void ShellPlanningPeers::applyAdvancedMode() {
    p.display.AdvanceModeCheckBoxClick();
}

void ShellPlanningPeers::enableAfterCalculation() {
    p.display.enableAfterCalculation();
    p.info.showResetButton();
}

void ShellPlanningPeers::showSlice(int projector, const QString &start, const QString &end) {
    p.info.showSlice(projector, start, end);
}

bool ShellPlanningPeers::linkActive() const {
    return p.engine.LinkActive();
}

bool ShellPlanningPeers::controllerMode() const {
    return p.engine.controllerMode();
}

bool ShellPlanningPeers::checkKestrixCount() {
    return p.connection.CheckKestrixCount();
}

bool ShellPlanningPeers::readDevicesForCalculation() {
    return p.reader.readForCalculation();
}

void ShellPlanningPeers::sendProjectorCount(int device, int total) {
    p.commands.SendProjectorCount(device, total);
}

void ShellPlanningPeers::sendDisplayLayout(int device, int justification, int overlap) {
    p.commands.SendDisplayLayout(device, justification, overlap);
}
