// SPDX-License-Identifier: GPL-3.0-or-later
#include "Program.h"

#include "AppTitle.h"
#include "CommandLine.h"
#include "KestrixSimulator.h"
#include "LumivaneApplication.h"
#include "SingleInstance.h"
#include "Startup.h"
#include "TConnectionHelpForm.h"
#include "TInfoForm.h"
#include "TLumivaneForm.h"

#include <QMessageBox>

#include <cstdio>
#include <exception>
#include <memory>

namespace {

QStringList argumentList(int argc, char **argv) {
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list.append(QString::fromLocal8Bit(argv[i]));
    return list;
}

void showPlainMessage(const QString &text) {
    QMessageBox::information(nullptr, appTitle(), text, QMessageBox::Ok);
}

std::unique_ptr<KestrixSimulator> startSimulator(QString *error) {
    auto simulator = std::make_unique<KestrixSimulator>(SimOptions::builtIn());
    if (!simulator->start(error)) return nullptr;
    return simulator;
}

} // namespace

int runProgram(int argc, char **argv, const std::function<void(TLumivaneForm &)> &beforeShow) {
    // Options first, so that --help, --version and mistakes need no display.
    const CommandLineResult command = parseCommandLine(argumentList(argc, argv));
    if (command.outcome == CommandLineResult::ExitOk) {
        std::fputs(qPrintable(command.output), stdout);
        return 0;
    }
    if (command.outcome == CommandLineResult::ExitError) {
        std::fputs(qPrintable(command.output), stderr);
        return 2;
    }

    LumivaneApplication app(argc, argv);
    SingleInstance instance;
    if (!claimSingleInstance(instance, showPlainMessage)) return 0;

    FormOptions formOptions;
    formOptions.ports = command.options.ports;
    formOptions.listPorts = &PortMap::systemPorts;
    formOptions.settings = Preferences::userStore();
    std::unique_ptr<KestrixSimulator> simulator;
    if (command.options.simulate) {
        QString error;
        simulator = startSimulator(&error);
        if (!simulator) {
            showErrorBox(QStringLiteral("Error! The built-in simulator could not start: %1").arg(error));
            return 1;
        }
        formOptions.ports.setPath(1, simulator->slavePath());
    }

    std::unique_ptr<TLumivaneForm> form;
    std::unique_ptr<TInfoForm> info;
    std::unique_ptr<TConnectionHelpForm> help;
    try {
        form = std::make_unique<TLumivaneForm>(formOptions);
        info = std::make_unique<TInfoForm>();
        help = std::make_unique<TConnectionHelpForm>();
    } catch (const std::exception &error) {
        showErrorBox(QString::fromLocal8Bit(error.what()));
        return 0;
    }
    form->attachAuxiliaryWindows(info.get(), help.get());
    QObject::connect(&instance, &SingleInstance::raiseRequested, form.get(), &TLumivaneForm::bringToFront);

    if (beforeShow) beforeShow(*form);
    form->show();
    return app.exec();
}
