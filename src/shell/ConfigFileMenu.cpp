// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConfigFileMenu.h"

#include "BusyScope.h"
#include "DeviceModel.h"

#include "ConfigFile.h"
#include "DeviceReader.h"
#include "Host.h"
#include "Preferences.h"
#include "SettingCheck.h"
#include "WindowState.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>

namespace {
const char *const kSaveFilter = "Kestrix Config Files (*.kxc)";
const char *const kOpenFilter = "Kestrix Config Files (*.kxc);;Any file (*.*)";
// Names the first few bad values; a file of noise would otherwise fill the screen.
QString badValuesMessage(const QList<SettingCheck::BadValue> &bad) {
    constexpr int kNamed = 5;
    QString text =
        QStringLiteral("Error! Configuration file holds values that cannot be used. File not opened.");
    for (int i = 0; i < bad.size() && i < kNamed; ++i)
        text += QLatin1Char('\n') + SettingCheck::describe(bad[i]);
    if (bad.size() > kNamed) text += QStringLiteral("\n... and %1 more.").arg(bad.size() - kNamed);
    return text;
}

} // namespace

ConfigFileMenu::ConfigFileMenu(const Parts &parts, QObject *parent)
    : QObject(parent), host(parts.host), model(parts.model), state(parts.model.state()), reader(parts.reader),
      window(parts.window), preferences(parts.preferences) {}

QString ConfigFileMenu::runSaveDialog() const {
    QFileDialog dialog(&window);
    dialog.setObjectName(QStringLiteral("SaveDialog1"));
    if (!preferences.lastFolder().isEmpty()) dialog.setDirectory(preferences.lastFolder());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QString::fromLatin1(kSaveFilter));
    // A name typed without an extension gets ".kxc". Replacing a file is not asked about: installers
    // save over the same file again and again.
    dialog.setDefaultSuffix(QStringLiteral("kxc"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

QString ConfigFileMenu::runOpenDialog() const {
    QFileDialog dialog(&window);
    dialog.setObjectName(QStringLiteral("OpenDialog1"));
    if (!preferences.lastFolder().isEmpty()) dialog.setDirectory(preferences.lastFolder());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(QString::fromLatin1(kOpenFilter).split(QStringLiteral(";;")));
    dialog.setOption(QFileDialog::ReadOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

void ConfigFileMenu::SaveConfigurationtoFile1Click() {
    const QString path = saveDialog ? saveDialog() : runSaveDialog();
    if (path.isEmpty()) return;
    preferences.setLastFolder(QFileInfo(path).absolutePath());
    host.setBusyCursor(true);
    const ConfigFile::Result result = ConfigFile::SaveConfigurationFile(model, path);
    if (result == ConfigFile::Result::Ok)
        remember(path);
    else
        host.showMessage(ConfigFile::message(result));
    host.setBusyCursor(false);
}

void ConfigFileMenu::OpenConfigurationFile1Click() {
    // Replacing the model under a device action (a read or a push waiting for an answer) would mix
    // the two; the load waits until the action has ended, and no device action starts during the load.
    BusyScope busy(state.CommandBusy);
    if (!busy) return;
    const QString path = openDialog ? openDialog() : runOpenDialog();
    if (path.isEmpty()) return;
    preferences.setLastFolder(QFileInfo(path).absolutePath());
    load(path);
}

void ConfigFileMenu::openRecentFile(const QString &path) {
    BusyScope busy(state.CommandBusy);
    if (!busy) return;
    if (!QFileInfo(path).isFile()) {
        preferences.removeRecentFile(path);
        fillRecentMenu();
        host.showMessage(QStringLiteral("Error! The configuration file \"%1\" cannot be found. It has been "
                                        "removed from the recent files list.")
                             .arg(QDir::toNativeSeparators(path)));
        return;
    }
    load(path);
}

void ConfigFileMenu::load(const QString &path) {
    host.setBusyCursor(true);
    QByteArray bytes;
    const ConfigFile::Result result = ConfigFile::readImage(path, &bytes);
    if (result != ConfigFile::Result::Ok) {
        host.showMessage(ConfigFile::message(result));
        host.setBusyCursor(false);
        return;
    }
    // A file with a value no page accepts is refused whole: the pages would show it and a push send it.
    const QList<SettingCheck::BadValue> bad = SettingCheck::check(bytes);
    if (!bad.isEmpty()) {
        host.showMessage(badValuesMessage(bad));
        host.setBusyCursor(false);
        return;
    }
    model.applyImage(bytes);
    state.ModelFromFile = 1;
    // The refresh sends nothing (Refreshing is set throughout), even while linked.
    reader.refreshPagesFromModel(DeviceReader::Origin::File);
    remember(path);
    host.showMessage(QStringLiteral("File open successful. Lumivane updated with settings from file."));
    host.setBusyCursor(false);
}

void ConfigFileMenu::remember(const QString &path) {
    preferences.addRecentFile(QFileInfo(path).absoluteFilePath());
    fillRecentMenu();
}

void ConfigFileMenu::attachRecentMenu(QMenu *fileMenu, QAction *before) {
    recent = new QMenu(tr("&Recent Configuration Files"), fileMenu);
    recent->setObjectName(QStringLiteral("RecentFilesMenu"));
    fileMenu->insertMenu(before, recent);
    fillRecentMenu();
}

void ConfigFileMenu::fillRecentMenu() {
    if (!recent) return;
    recent->clear();
    const QStringList files = preferences.recentFiles();
    for (int i = 0; i < files.size(); ++i) {
        // "&1 /home/site/wall.kxc": the number is the key that opens it from the keyboard.
        QString shown = QDir::toNativeSeparators(files[i]);
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction *item = recent->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown));
        item->setData(files[i]);
        connect(item, &QAction::triggered, this, [this, path = files[i]] { openRecentFile(path); });
    }
    recent->menuAction()->setEnabled(!files.isEmpty());
}
