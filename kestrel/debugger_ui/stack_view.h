// The debugger's stack view: 14 words from SP upwards, in the number base
// that NumberBase selects.
#pragma once

#include <QListWidget>
#include <QString>
#include <cstdint>

#include "kestrel/debug/machine_record.h"

namespace kestrel {

inline constexpr int kStackEntries = 14;

// The entry for the word at `address`: "06128 : 00255" in decimal,
// "17F0h : 00FFh" in hexadecimal.
QString StackEntry(const MachineRecord& m, uint16_t address);

class StackView : public QListWidget {
public:
    explicit StackView(QWidget* parent = nullptr);
    // Clears the view and lists the words at SP, SP+2, ... SP+26 (wrapping).
    void Refresh(const MachineRecord& m);
};

}  // namespace kestrel
