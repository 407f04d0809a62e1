// The hex dump window: 512 bytes of MemoryImage from a start address, 32
// lines of 16 bytes, moved by 16 bytes with the Up and Down arrow keys.
// Escape or its close button closes it.
#pragma once

#include <QEventLoop>
#include <QWidget>
#include <cstdint>
#include <string>

#include "kestrel/debug/machine_record.h"

class QListWidget;

namespace kestrel {

inline constexpr int kHexDumpLines = 32;
inline constexpr int kHexDumpRowHeight = 13;

// One line of the dump for the 16 bytes at `address` (wrapping):
// "65528 FFF8  01 02 ... 10  ................" - the address in decimal
// (5 digits) and hexadecimal (4 digits), the bytes in hexadecimal each with a
// space after it, one more space, then the bytes as characters (0x20-0x7E as
// themselves, every other byte, 0x7F (DEL) too, as ".").
std::string HexDumpLine(const MachineRecord& m, uint16_t address);

// The window runs its own loop (Run). While it is open it takes every event
// of the program: input to the other windows is ignored, and a close request
// of any window of the program closes the dump and goes no further.
class HexDumpWindow : public QWidget {
public:
    explicit HexDumpWindow(const MachineRecord& m, QWidget* parent = nullptr);
    ~HexDumpWindow() override;

    // Shows the window and returns when it has been closed.
    void Run();

    uint16_t StartAddress() const { return start_; }
    QListWidget* List() const { return list_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Fill();
    void Finish();

    const MachineRecord& m_;
    uint16_t start_;
    QListWidget* list_;
    QEventLoop loop_;
    bool running_ = false;
};

}  // namespace kestrel
