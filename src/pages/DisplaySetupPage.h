#pragma once

#include <QWidget>

class QTabWidget;

// The "Display Setup" page: output settings of the eight screens, in two inner pages of four screens.
class DisplaySetupPage : public QWidget {
    Q_OBJECT
public:
    explicit DisplaySetupPage(QWidget *parent = nullptr);

    QTabWidget *screenPages() const { return screenPageControl; }

private:
    QTabWidget *screenPageControl;
};
