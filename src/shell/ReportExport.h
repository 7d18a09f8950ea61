// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DeviceReader.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class BlendPreviewPage;
class CommandEngine;
class DeviceModel;
class Host;
class PlanningPage;
class QWidget;
namespace report {
struct Source;
}

// File > Export Commissioning Report: a site note asked in a small dialog, a PDF file chosen, and the
// report of what the window holds written to it: the Planning page's plan, the records of the devices
// in use with their IDs and versions, the Blend Preview's findings and picture, and the link.
class ReportExport : public QObject {
    Q_OBJECT
public:
    struct Parts {
        Host &host;
        DeviceModel &model;
        CommandEngine &engine;
        PlanningPage &planning;
        BlendPreviewPage &preview;
        QWidget &window; // the dialogs' parent
    };
    // The site note (nothing: the user cancelled) and the path (empty: cancelled); replaceable so that
    // tests can answer them.
    using NoteAsker = std::function<std::optional<QString>()>;
    using PathChooser = std::function<QString()>;

    ReportExport(const Parts &parts, QObject *parent = nullptr);

    void ExportCommissioningReport1Click();
    // What the report of the window holds now, with that site note.
    report::Source source(const QString &siteNote) const;

    // A read, an opened file or the values taken over from a comparison replaced the model: the
    // report says where its settings came from, and whether they were changed since.
    void settingsReplaced(const QString &why, DeviceReader::Origin origin);

    void setNoteDialog(NoteAsker asker) { noteDialog = std::move(asker); }
    void setSaveDialog(PathChooser chooser) { saveDialog = std::move(chooser); }

private:
    std::optional<QString> runNoteDialog() const;
    QString runSaveDialog() const;

    Host &host;
    DeviceModel &model;
    CommandEngine &engine;
    PlanningPage &planning;
    BlendPreviewPage &preview;
    QWidget &window;
    NoteAsker noteDialog;
    PathChooser saveDialog;
    // The records as the last read, file or comparison left them; nothing before the first.
    std::optional<DeviceReader::Origin> replacedBy;
    QByteArray replacedImage;
};
