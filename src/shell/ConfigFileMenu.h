// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class DeviceModel;
class DeviceReader;
class Host;
class Preferences;
class QAction;
class QMenu;
class QWidget;
struct WindowState;

// The File menu's configuration file items: saving the model to a .kxc file and loading one back,
// after which the pages show the loaded settings. Loading never sends anything to the devices;
// "Send Current Settings" does that. The dialogs start in the folder of the last file chosen, and a
// submenu reopens the files last opened or saved; both are remembered between runs.
class ConfigFileMenu : public QObject {
    Q_OBJECT
public:
    struct Parts {
        Host &host;
        DeviceModel &model;
        DeviceReader &reader;
        QWidget &window; // the dialogs' parent
        Preferences &preferences;
    };
    // Asks the user for a path; the empty text means the user cancelled.
    using PathChooser = std::function<QString()>;

    ConfigFileMenu(const Parts &parts, QObject *parent = nullptr);

    void SaveConfigurationtoFile1Click();
    void OpenConfigurationFile1Click();
    // Opens a file of the recent files list; one that is gone is dropped from the list, with a message.
    void openRecentFile(const QString &path);
    // Puts the recent files submenu into the File menu before the given item.
    void attachRecentMenu(QMenu *fileMenu, QAction *before);
    QMenu *recentMenu() const { return recent; }

    // The file dialogs, replaceable so that tests can answer them; null puts the real dialog back.
    void setSaveDialog(PathChooser chooser) { saveDialog = std::move(chooser); }
    void setOpenDialog(PathChooser chooser) { openDialog = std::move(chooser); }

private:
    QString runSaveDialog() const;
    QString runOpenDialog() const;
    void load(const QString &path);
    void remember(const QString &path);
    void fillRecentMenu();

    Host &host;
    DeviceModel &model;
    WindowState &state;
    DeviceReader &reader;
    QWidget &window;
    Preferences &preferences;
    QMenu *recent = nullptr;
    PathChooser saveDialog;
    PathChooser openDialog;
};
