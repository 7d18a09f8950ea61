#pragma once

#include <QWidget>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QTabWidget;
class SpinButton;

// The "Display Setup" page: output settings of the eight screens, in two inner pages of four screens.
class DisplaySetupPage : public QWidget {
    Q_OBJECT
public:
    explicit DisplaySetupPage(QWidget *parent = nullptr);

    QTabWidget *screenPages() const { return screenPageControl; }

    // The groups shown for n projectors: data doubling and the advanced mode need a seam.
    void ArrangeSystemGroups(int n);
    // The screens of n projectors: the "Screen 5-8 Controls" page only from five on.
    void ArrangeScreens(int n);
    void AdvanceModeCheckBoxClick();
    // The overlap width and data doubling as the model holds them.
    void RefreshDataDoubling();
    void enableAfterCalculation();
    void focusFirstTestPattern();
    QLineEdit *overlapWidthEdit() const { return oWidthEdit; }
    SpinButton *overlapWidthUpDown() const { return oWidthUpDown; }

private:
    QTabWidget *screenPageControl;
    QGroupBox *dataDoubling;
    QCheckBox *enDataDouble;
    QCheckBox *advanceMode;
    QLineEdit *oWidthEdit;
    SpinButton *oWidthUpDown;
};
