#pragma once

#include <QWidget>

// The "Source Setup" page: input position, phase and colour balance of each channel.
class SourceSetupPage : public QWidget {
    Q_OBJECT
public:
    explicit SourceSetupPage(QWidget *parent = nullptr);
};
