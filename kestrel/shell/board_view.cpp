#include "kestrel/shell/board_view.h"

#include <QPainter>

namespace kestrel {

namespace {
constexpr int kPresentIntervalMs = 16;  // about the screen's 60 frames a second
}

BoardView::BoardView(MachineRecord& machine, QWidget* parent) : QWidget(parent), machine_(machine) {
    setObjectName(QStringLiteral("boardView"));
    setFixedSize(kBoardWidth, kBoardHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    frame_.Resize(kBoardWidth, kBoardHeight);
    presentTimer_.setInterval(kPresentIntervalMs);
    connect(&presentTimer_, &QTimer::timeout, this, [this] {
        if (pending_) PresentLatest();
    });
    presentTimer_.start();
}

void BoardView::Attach() {
    machine_.RefreshDisplay = &BoardView::RefreshThunk;
    machine_.RefreshContext = this;
}

void BoardView::SetPictures(DisplayPictures pictures) {
    pictures_ = std::move(pictures);
    PresentLatest();
}

void BoardView::PresentLatest() {
    pending_ = false;
    presented_ = latest_;
    // A lamp lit since the last frame shows, then stays for kToneLampMinMs;
    // the frame that turns it off follows on the timer.
    const auto now = std::chrono::steady_clock::now();
    if (toneSeen_ && !toneShowing_) toneShown_ = now;
    const bool held = toneShowing_ && now - toneShown_ < std::chrono::milliseconds(kToneLampMinMs);
    if (!presented_.ToneLit && (toneSeen_ || held)) {
        presented_.ToneLit = true;
        pending_ = true;
    }
    toneShowing_ = presented_.ToneLit;
    toneSeen_ = false;
    ComposeFrame(pictures_, presented_, machine_.DigitX, frame_);
    update();
}

void BoardView::PresentNow() {
    if (!pending_) return;
    PresentLatest();
    repaint();
}

void BoardView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QImage image(frame_.Pixels.data(), frame_.Width, frame_.Height, frame_.Width * 3,
                 QImage::Format_RGB888);
    painter.drawImage(0, 0, image);
}

}  // namespace kestrel
