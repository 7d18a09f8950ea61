#include "AppTitle.h"
#include "CommandLine.h"
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

QStringList argumentList(int argc, char **argv)
{
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list.append(QString::fromLocal8Bit(argv[i]));
    return list;
}

void showPlainMessage(const QString &text)
{
    QMessageBox::information(nullptr, appTitle(), text, QMessageBox::Ok);
}

} // namespace

int main(int argc, char **argv)
{
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
    if (!claimSingleInstance(instance, showPlainMessage))
        return 0;

    std::unique_ptr<TLumivaneForm> form;
    std::unique_ptr<TInfoForm> info;
    std::unique_ptr<TConnectionHelpForm> help;
    try {
        form = std::make_unique<TLumivaneForm>();
        info = std::make_unique<TInfoForm>();
        help = std::make_unique<TConnectionHelpForm>();
    } catch (const std::exception &error) {
        showErrorBox(QString::fromLocal8Bit(error.what()));
        return 0;
    }
    form->attachAuxiliaryWindows(info.get(), help.get());
    QObject::connect(&instance, &SingleInstance::raiseRequested, form.get(), &TLumivaneForm::bringToFront);

    form->show();
    return app.exec();
}
