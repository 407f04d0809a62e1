#include "kestrel/board/keypad.h"

#include "kestrel/board/ppi.h"
#include "kestrel/z80/cpu.h"

namespace kestrel {

void PressKeypadKey(Machine& m, KeypadKey key) {
    const KeyWiring& wiring = WiringOf(key);
    switch (wiring.Action) {
        case KeyAction::Reset: ResetBoard(m, false); break;
        case KeyAction::Moni: EnterNmi(m); break;
        case KeyAction::Intr: AcceptInterrupt(m); break;
        case KeyAction::UserKey: m.UserKeyPending = true; break;
        case KeyAction::Matrix: ClickKey(m, wiring.Column, wiring.Pattern); break;
    }
}

}  // namespace kestrel
