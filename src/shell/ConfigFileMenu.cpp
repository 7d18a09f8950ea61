#include "ConfigFileMenu.h"

#include "BusyScope.h"
#include "DeviceModel.h"

#include "ConfigFile.h"
#include "DeviceReader.h"
#include "Host.h"
#include "SettingCheck.h"
#include "WindowState.h"

#include <QFileDialog>

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
      window(parts.window), saveDialog([this] { return runSaveDialog(); }),
      openDialog([this] { return runOpenDialog(); }) {}

QString ConfigFileMenu::runSaveDialog() const {
    QFileDialog dialog(&window);
    dialog.setObjectName(QStringLiteral("SaveDialog1"));
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
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(QString::fromLatin1(kOpenFilter).split(QStringLiteral(";;")));
    dialog.setOption(QFileDialog::ReadOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

void ConfigFileMenu::SaveConfigurationtoFile1Click() {
    const QString path = saveDialog();
    if (path.isEmpty()) return;
    host.setBusyCursor(true);
    const ConfigFile::Result result = ConfigFile::SaveConfigurationFile(model, path);
    if (result != ConfigFile::Result::Ok) host.showMessage(ConfigFile::message(result));
    host.setBusyCursor(false);
}

void ConfigFileMenu::OpenConfigurationFile1Click() {
    // Replacing the model under a device action (a read or a push waiting for an answer) would mix
    // the two; the load waits until the action has ended, and no device action starts during the load.
    BusyScope busy(state.CommandBusy);
    if (!busy) return;
    const QString path = openDialog();
    if (path.isEmpty()) return;
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
    host.showMessage(QStringLiteral("File open successful. Lumivane updated with settings from file."));
    host.setBusyCursor(false);
}
