// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "EventPump.h"
#include "KestrixSimulator.h"
#include "ScriptedHost.h"
#include "TLumivaneForm.h"

#include <QApplication>
#include <QtTest>

#include <functional>
#include <memory>

// The real main window as the user has it: shown and active, its own host disabling the pages during
// every send, moving the focus and repainting; only the boxes are answered by the scripted user. The
// simulator behind COM1 answers at the line's real byte rate, directly (one device) or through the
// Controller (two devices, RS-485 IDs 5 and 6).
struct WindowRig {
    enum Mode { Direct, Controller };

    Mode mode;
    ScriptedHost user;
    std::unique_ptr<KestrixSimulator> sim;
    std::unique_ptr<TLumivaneForm> form;
    bool broken = false; // an action had to be cut off: the next test needs a fresh rig

    explicit WindowRig(Mode linkMode) : mode(linkMode) {
        SimOptions sim_;
        sim_.mode = mode == Controller ? SimOptions::Controller : SimOptions::Direct;
        sim_.ids = {5, 6};
        sim_.paceInput = true;
        sim_.paceOutput = true;
        sim = std::make_unique<KestrixSimulator>(sim_);
        QString error;
        if (!sim->start(&error)) qFatal("simulator did not start: %s", qPrintable(error));

        FormOptions options;
        options.dialogs = &user;
        // The protocol's own timings (watchdog, resend pause, settle steps) as in the field; only the
        // one-second pauses of the connect and read are shortened.
        options.pacing = Pacing::real();
        options.pacing.protocolPauseMs = 20;
        options.pacing.exitPauseMs = 1;
        options.ports.setPath(1, sim->slavePath());
        options.ports.setPath(2, QStringLiteral("/nonexistent/lumivane-com2"));
        options.quit = [] {};
        form = std::make_unique<TLumivaneForm>(options);
    }

    ~WindowRig() {
        form.reset();
        EventPump::clearAbort();
    }

    // Shows the window, makes it the active one, connects in the rig's mode and reads the devices.
    bool connect() {
        user.expectYesNo(false, QStringLiteral("Lumivane requires connection to Kestrix(s) to function."));
        form->show();
        QApplication::setActiveWindow(form.get());
        form->activateWindow();
        if (!QTest::qWaitForWindowActive(form.get())) {
            qWarning("the window did not become active");
            return false;
        }
        if (!QTest::qWaitFor([&] { return user.messages().size() == 1; }, 20000)) {
            qWarning("no offline note");
            return false;
        }
        user.expectYesNo(true, QStringLiteral("Serial communication established"));
        trigger(mode == Controller ? "KestrixconnectedthruController1"
                                   : "KestrixconnectedtoSerialPortdirectly1");
        // Besides the offline note, the planning warning that the devices show another layout.
        const bool ok = user.unexpected.isEmpty() && user.pendingAnswers() == 0;
        if (!ok)
            qWarning("connect: %s / %s", qPrintable(user.messages().join(" | ")),
                     qPrintable(user.unexpected.join(" | ")));
        user.entries.clear();
        sim->clearRequests();
        return ok;
    }

    void trigger(const char *actionName) {
        auto *action = form->findChild<QAction *>(QString::fromLatin1(actionName));
        if (!action) qFatal("no action %s", actionName);
        action->trigger();
    }

    template <typename T = QWidget> T *find(const QString &name) const {
        T *widget = form->findChild<T *>(name);
        if (!widget) qFatal("no control %s", qPrintable(name));
        return widget;
    }

    // A request the far end could not take: a frame that is not one whole command with its own
    // checksum (two senders interleaved, or a resend under another checksum).
    bool wireBroken() const {
        for (const SimRequest &r : sim->requests())
            if (!r.error.isEmpty() || (r.framed && !r.checksumOk)) return true;
        return false;
    }

    // Runs one user action. Everything the action starts (device waits included) runs inside it, so
    // a fault that would wait or resend for ever is cut off as soon as the line shows it or after a
    // generous limit; the action then reports false and the rig is not used again.
    bool act(const std::function<void()> &action) {
        QElapsedTimer clock;
        clock.start();
        bool cut = false;
        QTimer watch;
        watch.setInterval(20);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (cut) return;
            if (wireBroken() || user.unexpected.size() > 0 || clock.elapsed() > 60000) {
                cut = true;
                EventPump::requestAbort();
            }
        });
        watch.start();
        action();
        watch.stop();
        if (cut) {
            broken = true;
            EventPump::clearAbort();
        }
        return !cut;
    }

    // The commands on the wire as "<device>:<command>" ("2:EFTB 1  2.3"), device 1 or 2 by the
    // RS-485 ID (direct: always 1).
    QStringList wire() const {
        QStringList out;
        for (const SimRequest &r : sim->requests()) {
            const int device = r.targetId == 6 ? 2 : 1;
            out.append(QStringLiteral("%1:%2").arg(device).arg(QString::fromLatin1(r.command)));
        }
        return out;
    }

    static QString focusName() {
        QWidget *w = QApplication::focusWidget();
        return w ? w->objectName() : QStringLiteral("<none>");
    }
};
