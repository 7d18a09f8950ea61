#pragma once

#include <QWidget>

// The "Projector Setup" page: per-projector alignment controls.
class ProjectorSetupPage : public QWidget {
    Q_OBJECT
public:
    explicit ProjectorSetupPage(QWidget *parent = nullptr);
};
