#pragma once

#include <QMainWindow>

#include <functional>
#include <memory>

class AboutBox;
class DisplaySetupPage;
class Host;
class InformationPage;
class MainMenu;
class PlanningPage;
class ProjectorSetupPage;
class QTabWidget;
class SeamRemovalPage;
class SourceSetupPage;
class TConnectionHelpForm;
class TInfoForm;
class WindowHost;

// Everything that shapes one run of the main window and that a test may want to replace.
struct FormOptions {
    // The user's answers; null means the window's own message boxes.
    Host *host = nullptr;
    // Pause between hiding the window and closing the port at exit.
    int exitPauseMs = 1000;
    // How the program ends once the close has gone ahead; null means QApplication::quit.
    std::function<void()> quit;
};

// The main window: menus, the six pages, the status bar. It owns the serial port, the command engine
// and the settings model, and wires the menu items to their handlers.
class TLumivaneForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TLumivaneForm(const FormOptions &options = {});
    ~TLumivaneForm() override;

    // The two auxiliary windows are created after the main window and handed to it.
    void attachAuxiliaryWindows(TInfoForm *info, TConnectionHelpForm *help);

    Host &host() const;
    MainMenu &menu() const { return *mainMenu; }
    QTabWidget *phasePageControl() const { return phasePages; }
    InformationPage *informationPage() const { return infoPage; }
    PlanningPage *planningPage() const { return planning; }

    bool Refreshing = false;
    static QString versionText() { return QStringLiteral("Version 1.02"); }

    // Brings the window to the front (a second start of the program asks for this).
    void bringToFront();

public slots:
    // Connection entry points (menu "Search....", the two connect actions, Disconnect).
    void SearchAllClick();

signals:
    void searchStarted();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildPages();
    void wireMenu();
    void FormShow();
    void finishExit();
    void showAbout();

    FormOptions options;
    std::unique_ptr<WindowHost> windowHost;
    MainMenu *mainMenu = nullptr;
    QTabWidget *phasePages = nullptr;
    PlanningPage *planning = nullptr;
    ProjectorSetupPage *projectorSetup = nullptr;
    SourceSetupPage *sourceSetup = nullptr;
    DisplaySetupPage *displaySetup = nullptr;
    SeamRemovalPage *seamRemoval = nullptr;
    InformationPage *infoPage = nullptr;
    TInfoForm *infoForm = nullptr;
    TConnectionHelpForm *helpForm = nullptr;

    bool shownOnce = false;
    bool exitQuestionOpen = false;
    bool exitConfirmed = false;
    bool closeAllowed = false;
};
