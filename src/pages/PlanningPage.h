// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class DeviceModel;
class Host;
class OverlapWidthControl;
struct OutputInfo;
class PlanningPeers;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class SpinButton;
struct WindowState;

// The "Planning" page: the wall calculator (screen size and projector resolution in; aspect ratio,
// projector and device count, overlap and source image size out), the notes on image content, and the
// two drawings of the wall. While linked, a calculation first reads the devices and the chosen count,
// alignment and overlap are sent to them.
class PlanningPage : public QWidget {
    Q_OBJECT
public:
    explicit PlanningPage(QWidget *parent = nullptr);
    ~PlanningPage() override;

    // The window's state, its user and the other pages; set once before the window is shown.
    void attach(DeviceModel &model, Host &host, PlanningPeers &peers);

    // Run once when the main window is first shown (with Refreshing set): the defaults, then the
    // calculation as the Calculate button runs it.
    void prepare();
    bool isPrepared() const { return prepared; }

    // The wall as chosen on the page: the projector count (1..8) and the alignment list's index.
    int projectors() const;
    int alignment() const;
    // The overlap, shared with the Display Setup page (which hands its field over to it).
    OverlapWidthControl &overlapControl() const { return *overlap; }
    // A read or a file load takes device 1's layout over from its first output record: the overlap, the
    // alignment and the projector count (showLayout; a value outside the lists leaves the choice as it
    // was). With the window up, a layout that differs from the page's is said first.
    // RecomputeFromDeviceLayout finishes the take-over.
    void takeOverLayout(const OutputInfo &record);
    void showLayout(const OutputInfo &record);

    void SetPlanningDefaults();
    void CalcOutButtonClick();
    void ProjectorResComboBoxChange();
    void NumOfScreenComboBoxChange();
    void ImageAlignComboBoxChange();
    void ComputeImageSize();
    // False when the wall needs more projectors than there can be: the caller puts its plan back.
    bool ComputeProjectorCount();
    void ComputeOverlap();
    void RecomputeAspect();
    void ComputeScreenOffsets();
    void WriteImageContentNotes();
    void DrawPlanning();
    // After a read or a file load copied the devices' layout into the page.
    void RecomputeFromDeviceLayout();
    // Leaving the Display Setup page's overlap width field (the read and the file load run it too).
    void OWidthEditExit();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildInstructions();
    QWidget *buildLegend();
    QWidget *buildCalculator();
    QWidget *buildResults();
    QWidget *buildNotesAndPlacement();
    bool centred() const;
    bool readScreenSize(QLineEdit *edit, const char *which, double *value);
    void selectProjectors(double count);
    void showAspect();
    void showScreenWidth(const QString &text);
    void showDevicesNeeded(int projectors);

    // What a calculation, a resolution or a projector-count change may alter before it is refused;
    // restored as a whole.
    struct PlanSnapshot {
        double imageWidth, aspect, screenWidth, overlapPixels, projectorCount;
        int maxOverlapWidth;
        QString screenWidthText, imageWidthText, aspectText, kestrixText, overlapText, overlapPlanningText;
        double screenHeight, imageHeight, projectorResH, projectorResV;
        int projectorResItem;
        QString screenHeightText, imageHeightText, notesText;
    };
    PlanSnapshot snapshot() const;
    void restore(const PlanSnapshot &plan);

    DeviceModel *model = nullptr;
    WindowState *state = nullptr;
    Host *host = nullptr;
    PlanningPeers *peers = nullptr;
    OverlapWidthControl *overlap = nullptr;
    bool prepared = false;

    QListWidget *instructions;
    QLabel *projectorImage;
    QLabel *placementImage;
    QLineEdit *horizontalOut;
    QLineEdit *verticalOut;
    QPushButton *calcOut;
    QComboBox *projectorRes;
    QComboBox *numOfScreen;
    QComboBox *imageAlign;
    QLineEdit *overlapPlanning;
    SpinButton *overlapPlanningUpDown = nullptr;
    QLabel *imageSizeH;
    QLabel *imageSizeV;
    QLabel *aspectLabel;
    QLabel *kestrixCount;
    QPlainTextEdit *contentNotes;
};
