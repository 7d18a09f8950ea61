#pragma once

#include <QObject>
#include <QString>

#include <functional>

class DeviceModel;
class DeviceReader;
class Host;
class QWidget;
struct WindowState;

// The File menu's configuration file items: saving the model to a .kxc file and loading one back,
// after which the pages show the loaded settings. Loading never sends anything to the devices;
// "Send Current Settings" does that.
class ConfigFileMenu : public QObject {
    Q_OBJECT
public:
    struct Parts {
        Host &host;
        DeviceModel &model;
        DeviceReader &reader;
        QWidget &window; // the dialogs' parent
    };
    // Asks the user for a path; the empty text means the user cancelled.
    using PathChooser = std::function<QString()>;

    ConfigFileMenu(const Parts &parts, QObject *parent = nullptr);

    void SaveConfigurationtoFile1Click();
    void OpenConfigurationFile1Click();

    // The file dialogs, replaceable so that tests can answer them.
    void setSaveDialog(PathChooser chooser) { saveDialog = std::move(chooser); }
    void setOpenDialog(PathChooser chooser) { openDialog = std::move(chooser); }

private:
    QString runSaveDialog() const;
    QString runOpenDialog() const;

    Host &host;
    DeviceModel &model;
    WindowState &state;
    DeviceReader &reader;
    QWidget &window;
    PathChooser saveDialog;
    PathChooser openDialog;
};
