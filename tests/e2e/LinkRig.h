// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "EventPump.h"
#include "KestrixSimulator.h"
#include "ScriptedHost.h"
#include "TLumivaneForm.h"

#include <QtTest>

#include <cstring>
#include <functional>
#include <memory>

// The real main window with a scripted user, its real serial port on pseudo-terminals, and a simulator
// (or nothing at all) behind COM1 and COM2.
struct LinkRig {
    ScriptedHost host;
    std::unique_ptr<KestrixSimulator> com1;
    std::unique_ptr<KestrixSimulator> com2;
    std::unique_ptr<TLumivaneForm> form;
    int quits = 0; // how often the window ended the program

    // A null option leaves that port with nothing behind it (a path that does not exist).
    LinkRig(const SimOptions *onCom1, const SimOptions *onCom2, double pacingScale = 0.1)
        : LinkRig(onCom1, onCom2, Pacing::real().pausesScaled(pacingScale)) {}
    // com1Name, when given, names COM1 from the simulator's device (a network port in front of it).
    LinkRig(const SimOptions *onCom1, const SimOptions *onCom2, const Pacing &pacing,
            const std::function<QString(const QString &device)> &com1Name = {}) {
        FormOptions options;
        options.host = &host;
        options.pacing = pacing;
        const QString device1 = attach(com1, onCom1, "com1");
        options.ports.setPath(1, com1Name ? com1Name(device1) : device1);
        options.ports.setPath(2, attach(com2, onCom2, "com2"));
        options.quit = [this] { ++quits; };
        form = std::make_unique<TLumivaneForm>(options);
    }

    ~LinkRig() {
        form.reset();            // closes the port before the far ends go away
        EventPump::clearAbort(); // a window closed during a wait leaves the abort set for its process
    }

    void trigger(const char *actionName);
    QString labelText(const char *name) const;
    // A named control of the window; a missing one ends the test program, since every later step
    // would only fail for that reason.
    template <typename T> T *find(const char *name) const {
        T *widget = form->findChild<T *>(QString::fromLatin1(name));
        if (!widget) qFatal("no %s", name);
        return widget;
    }
    // The text of a named edit field, or else of a named label.
    QString fieldText(const char *name) const;
    // Shows the window and answers No to the connect question: no link, the offline note shown and
    // taken off the record.
    void showOffline();
    // The requests a simulator received, as "<baud> <command>" lines, e.g. "57600 *5SYINFOKX".
    static QStringList wire(const KestrixSimulator &sim);

    bool clean() const { return host.unexpected.isEmpty() && host.pendingAnswers() == 0; }
    QString problems() const { return host.unexpected.join('\n'); }

private:
    static QString attach(std::unique_ptr<KestrixSimulator> &sim, const SimOptions *options,
                          const char *name) {
        if (!options) return QStringLiteral("/nonexistent/lumivane-%1").arg(name);
        sim = std::make_unique<KestrixSimulator>(*options);
        QString error;
        if (!sim->start(&error)) qFatal("simulator did not start: %s", qPrintable(error));
        return sim->slavePath();
    }
};
