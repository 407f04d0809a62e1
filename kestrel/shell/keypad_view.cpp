#include "kestrel/shell/keypad_view.h"

#include <QMouseEvent>
#include <QPainter>

#include "kestrel/pictures/keypad_layout.h"

namespace kestrel {

KeypadView::KeypadView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("keypadView"));
    setFixedSize(kKeypadWidth, kKeypadHeight);
}

void KeypadView::SetPicture(const RgbImage& picture) {
    if (picture.Empty()) return;
    picture_ = QImage(picture.Pixels.data(), picture.Width, picture.Height, picture.Width * 3,
                      QImage::Format_RGB888)
                   .copy();
    update();
}

void KeypadView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (picture_.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    painter.drawImage(0, 0, picture_);
}

void KeypadView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    QPoint p = event->position().toPoint();
    if (onClick_) onClick_(p.x(), p.y());
}

void KeypadView::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

}  // namespace kestrel
