#pragma once

#include <QWidget>

// The "Seam Removal" page: manual seam gains, seam bridge and the automatic seam removal.
class SeamRemovalPage : public QWidget {
    Q_OBJECT
public:
    explicit SeamRemovalPage(QWidget *parent = nullptr);
};
