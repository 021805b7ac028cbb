#pragma once

#include "pinmap/pinmappanels.h"

#include <QGroupBox>

#include <vector>

class QComboBox;
class QPushButton;

namespace tessaro {

// One picture of a pin-map panel: the drawing scaled to fill the widget,
// proportions kept, on white.
class PinMapView : public QWidget
{
    Q_OBJECT
public:
    PinMapView(PinMapPicture picture, QWidget* parent = nullptr);
    [[nodiscard]] PinMapPicture picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PinMapPicture m_picture;
};

// A pin-map panel: "IC 腳位圖" or "模組腳位圖", a list of its pictures, the
// pictures stacked in one place and a close button. It shows what a
// PinMapPanels says and reports the operator's choices.
class PinMapPanel : public QGroupBox
{
    Q_OBJECT
public:
    PinMapPanel(bool icPanel, QWidget* parent = nullptr);

    // The list text and the pictures as `state` has them; a picture shown
    // later lies on top of one shown earlier.
    void apply(const PinMapPanels& state);

    [[nodiscard]] QComboBox* list() const { return m_list; }
    [[nodiscard]] QPushButton* closeButton() const { return m_close; }
    [[nodiscard]] PinMapView* view(PinMapPicture picture) const;

signals:
    void entryChosen(int index);
    void closeClicked();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeViews();

    bool m_ic;
    QComboBox* m_list = nullptr;
    QPushButton* m_close = nullptr;
    QWidget* m_stage = nullptr;
    std::vector<PinMapView*> m_views;
};

}  // namespace tessaro
