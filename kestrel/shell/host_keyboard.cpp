#include "kestrel/shell/host_keyboard.h"

namespace kestrel {

const KeyRect* KeypadKeyForHostKey(int key, Qt::KeyboardModifiers modifiers) {
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return nullptr;
    for (const HostKey& host : kHostKeys)
        if (host.Key == key) return &KeyRectOf(host.Keypad);
    return nullptr;
}

}  // namespace kestrel
