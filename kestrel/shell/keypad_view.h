// The KeypadView: the keypad picture, reporting left clicks.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

#include "kestrel/board/display.h"

namespace kestrel {

class KeypadView : public QWidget {
    Q_OBJECT

public:
    explicit KeypadView(QWidget* parent);

    void SetPicture(const RgbImage& picture);
    // Called with the click position in keypad coordinates.
    void SetClickHandler(std::function<void(int x, int y)> handler) { onClick_ = std::move(handler); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // The second press of a double click arrives only as this event: it is
    // a click like the first, so two quick clicks on "0" enter "00".
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QImage picture_;
    std::function<void(int, int)> onClick_;
};

}  // namespace kestrel
