// The BoardView: the 460 x 438 board picture with the LED digits and lamps.
//
// RefreshDisplay lands in Refresh(), which only records a snapshot of what
// the frame shows; a screen-rate timer composes the latest snapshot (see
// kestrel/board/display.h) and repaints. Painting never touches the record.
//
// The TONE lamp is lit for a key click only briefly (a couple of milliseconds
// in real time), often between two frames. A lamp that lit since the last
// frame is therefore shown in the next one, and stays shown for at least
// kToneLampMinMs, so every click that lights it is seen.
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <chrono>

#include "kestrel/board/display.h"
#include "kestrel/debug/machine_record.h"

namespace kestrel {

class BoardView : public QWidget {
    Q_OBJECT

public:
    static constexpr int kToneLampMinMs = 40;

    BoardView(MachineRecord& machine, QWidget* parent);

    // Installs this view as the record's RefreshDisplay.
    void Attach();
    // Hands over the decoded pictures (start-up, after the window is built).
    void SetPictures(DisplayPictures pictures);

    // The RefreshDisplay seam: remembers what the frame must show.
    void Refresh() {
        latest_ = TakeDisplaySnapshot(machine_);
        toneSeen_ |= latest_.ToneLit;
        pending_ = true;
    }
    // Composes the latest snapshot into the frame now and schedules a paint.
    void PresentLatest();
    // Presents a pending refresh and paints it at once: for the run loop
    // before it stands still (the unpaced key beep), when no timer can fire.
    void PresentNow();

    const DisplaySnapshot& PresentedSnapshot() const { return presented_; }
    const RgbImage& Frame() const { return frame_; }
    // A refresh has been asked for that is not presented yet.
    bool RefreshPending() const { return pending_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static void RefreshThunk(void* self) { static_cast<BoardView*>(self)->Refresh(); }

    MachineRecord& machine_;
    DisplayPictures pictures_;
    DisplaySnapshot latest_;
    DisplaySnapshot presented_;
    bool pending_ = false;
    bool toneSeen_ = false;                            // the lamp lit since the last frame
    std::chrono::steady_clock::time_point toneShown_;  // when a frame first showed it lit
    bool toneShowing_ = false;                         // the presented frame shows it lit
    RgbImage frame_;
    QTimer presentTimer_;
};

}  // namespace kestrel
