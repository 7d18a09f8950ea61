// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DeviceModel.h"
#include "Pacing.h"
#include "PortMap.h"
#include "Preferences.h"
#include "WindowState.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class CommandEngine;
class CommandSet;
class ConfigFileMenu;
class ConnectionController;
class DeviceCompare;
class DeviceReader;
class DisplaySetupPage;
class EditMenu;
class GuardedHost;
class Host;
class BlendPreviewPage;
class InformationPage;
class MainMenu;
class PlanningPage;
class PortChooserMenu;
class ProjectorSetupPage;
class QTabWidget;
class ReportExport;
class SeamRemovalPage;
class ShellPlanningPeers;
class SplitHost;
class SourceSetupPage;
class StatusLightController;
class StatusQueries;
class TApdComPort;
class TConnectionHelpForm;
class TInfoForm;
class UndoRecorder;
class WindowHost;

// Everything that shapes one run of the main window and that a test may want to replace.
struct FormOptions {
    // The user's answers; null means the window's own message boxes.
    Host *host = nullptr;
    // Only the boxes (messages, questions, the process exit) answered by this host, everything else
    // shown by the window itself; ignored when host is set.
    Host *dialogs = nullptr;
    // The devices behind COM1 and COM2 as the command line gives them.
    PortMap ports;
    // The serial ports of the machine for the Serial Port menu's choice of devices, and to find the
    // single USB adapter that stands for COM1; null means none (the program gives the system's list).
    SerialPortLister listPorts;
    // Where the port choice, the last folder and the recent files are kept between runs; null keeps
    // them for the run only (the program gives the user's own settings).
    Preferences::Store settings;
    // Every protocol timing, the exit pause included.
    Pacing pacing = Pacing::real();
    // How the program ends once the close has gone ahead; null means QApplication::quit.
    std::function<void()> quit;
};

// The main window: menus, the six pages and the blend preview, the status bar. It owns the serial port, the
// command engine, the settings model and the flows that span pages (connecting, reading the devices), and
// wires the menu items to their handlers.
class TLumivaneForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TLumivaneForm(const FormOptions &options = {});
    ~TLumivaneForm() override;

    // The two auxiliary windows are created after the main window and handed to it.
    void attachAuxiliaryWindows(TInfoForm *info, TConnectionHelpForm *help);

    Host &host() const;
    DeviceModel &model() { return deviceModel; }
    WindowState &state() { return windowState; }
    MainMenu &menu() const { return *mainMenu; }
    TApdComPort &port() const { return *comPort; }
    CommandEngine &engine() const { return *commandEngine; }
    CommandSet &commands() const { return *commandSet; }
    ConnectionController &connection() const { return *connector; }
    DeviceReader &reader() const { return *deviceReader; }
    DeviceCompare &compare() const { return *deviceCompare; }
    ReportExport &reportExport() const { return *reportExporter; }
    UndoRecorder &undoRecorder() const { return *recorder; }
    EditMenu &editMenu() const { return *edit; }
    ConfigFileMenu &configFiles() const { return *configFileMenu; }
    PortChooserMenu &portChooser() const { return *portChoice; }
    QTabWidget *phasePageControl() const { return phasePages; }
    InformationPage *informationPage() const { return infoPage; }
    BlendPreviewPage *blendPreviewPage() const { return blendPreview; }
    PlanningPage *planningPage() const { return planning; }
    DisplaySetupPage *displaySetupPage() const { return displaySetup; }
    ProjectorSetupPage *projectorSetupPage() const { return projectorSetup; }
    SourceSetupPage *sourceSetupPage() const { return sourceSetup; }
    SeamRemovalPage *seamRemovalPage() const { return seamRemoval; }

    static QString versionText() { return QStringLiteral("Version " LUMIVANE_VERSION); }

    // Brings the window to the front (a second start of the program asks for this).
    void bringToFront();

    // The current page's page-change handling (the pages fill it in).
    void PhasePageControlChange();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildPages();
    void buildLink();
    void wirePages();
    void wireMenu();
    void FormShow();
    void finishExit();
    void showAbout();
    void refreshPagesAfterRead();
    void refreshPagesAfterUndo(bool layout);
    void SendCurrentSettingstoKestrixs1Click();
    // The lines heading a saved traffic log or a capture: port, baud, parity, link mode, device IDs
    // and versions as far as known.
    QStringList trafficLogHeader() const;

    FormOptions options;
    std::unique_ptr<Preferences> prefs;
    DeviceModel deviceModel;
    WindowState &windowState = deviceModel.state();
    std::unique_ptr<WindowHost> windowHost;
    std::unique_ptr<SplitHost> splitHost;
    std::unique_ptr<GuardedHost> guardedHost;
    MainMenu *mainMenu = nullptr;
    QTabWidget *phasePages = nullptr;
    PlanningPage *planning = nullptr;
    ProjectorSetupPage *projectorSetup = nullptr;
    SourceSetupPage *sourceSetup = nullptr;
    DisplaySetupPage *displaySetup = nullptr;
    SeamRemovalPage *seamRemoval = nullptr;
    InformationPage *infoPage = nullptr;
    BlendPreviewPage *blendPreview = nullptr;
    TInfoForm *infoForm = nullptr;
    TConnectionHelpForm *helpForm = nullptr;

    TApdComPort *comPort = nullptr;
    StatusLightController *statusLights = nullptr;
    CommandEngine *commandEngine = nullptr;
    std::unique_ptr<StatusQueries> statusQueries;
    CommandSet *commandSet = nullptr;
    ConnectionController *connector = nullptr;
    DeviceReader *deviceReader = nullptr;
    DeviceCompare *deviceCompare = nullptr;
    ReportExport *reportExporter = nullptr;
    ConfigFileMenu *configFileMenu = nullptr;
    PortChooserMenu *portChoice = nullptr;
    std::unique_ptr<ShellPlanningPeers> planningPeers;
    UndoRecorder *recorder = nullptr;
    EditMenu *edit = nullptr;

    bool shownOnce = false;
    bool exitQuestionOpen = false;
    bool exitConfirmed = false;
    bool closeAllowed = false;
};
