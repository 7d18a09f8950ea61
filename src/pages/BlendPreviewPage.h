// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BlendCheck.h"
#include "PageContext.h"

#include <QImage>
#include <QWidget>

#include <functional>

class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QScrollArea;

// "Blend Preview": what the current settings do to the wall (BlendPicture) and the settings that
// disagree with each other, listed under the picture. It follows the model's changes and the plan,
// redrawing at most once per turn of the event loop and only while it is showing.
class BlendPreviewPage : public QWidget {
    Q_OBJECT
public:
    explicit BlendPreviewPage(QWidget *parent = nullptr);
    void attach(const PageContext &context);

    // The wall and the picture as last drawn.
    const blend::BlendWall &wall() const { return current; }
    const QImage &picture() const { return drawn; }
    int refreshCount() const { return refreshes; }

    // Draws the page again from the model now.
    void refresh();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void scheduleRefresh();

    DeviceModel *model = nullptr;
    WindowState *state = nullptr;
    std::function<bool()> linkActive;
    QDoubleSpinBox *gammaEdit = nullptr;
    QLabel *canvas = nullptr;
    QLabel *modelNote = nullptr;
    QScrollArea *scroll = nullptr;
    QListWidget *findings = nullptr;
    blend::BlendWall current;
    QImage drawn;
    bool pending = false;
    int refreshes = 0;
};
