#include "kestrel/shell/host_keyboard.h"

#include <cstring>

namespace kestrel {

const KeyRect* KeypadKeyLabelled(const char* label) {
    for (const KeyRect& key : kKeys)
        if (std::strcmp(key.Label, label) == 0) return &key;
    return nullptr;
}

const KeyRect* KeypadKeyForHostKey(int key, Qt::KeyboardModifiers modifiers) {
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return nullptr;
    for (const HostKey& host : kHostKeys)
        if (host.Key == key) return KeypadKeyLabelled(host.Keypad);
    return nullptr;
}

}  // namespace kestrel
