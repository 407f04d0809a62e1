// Field-by-field comparison of two machines after the plain and the traced
// step, with a report naming each difference ("A: 0x12, traced 0x13").
#pragma once

#include <cstdio>
#include <cstring>
#include <string>

#include "kestrel/debug/machine_record.h"

namespace kestrel::testing {

inline std::string CompareMachines(const MachineRecord& plain, const MachineRecord& traced,
                                   bool compareMemory = true) {
    std::string report;
    auto field = [&report](const char* name, unsigned a, unsigned b) {
        if (a == b) return;
        char line[96];
        std::snprintf(line, sizeof line, "%s: 0x%X, traced 0x%X; ", name, a, b);
        report += line;
    };
    const Z80State& p = plain.Cpu;
    const Z80State& t = traced.Cpu;
#define KDEBUG_FIELD(f) field(#f, p.f, t.f)
    KDEBUG_FIELD(A); KDEBUG_FIELD(F); KDEBUG_FIELD(B); KDEBUG_FIELD(C);
    KDEBUG_FIELD(D); KDEBUG_FIELD(E); KDEBUG_FIELD(H); KDEBUG_FIELD(L);
    KDEBUG_FIELD(AltA); KDEBUG_FIELD(AltF); KDEBUG_FIELD(AltB); KDEBUG_FIELD(AltC);
    KDEBUG_FIELD(AltD); KDEBUG_FIELD(AltE); KDEBUG_FIELD(AltH); KDEBUG_FIELD(AltL);
    KDEBUG_FIELD(IX); KDEBUG_FIELD(IY); KDEBUG_FIELD(SP); KDEBUG_FIELD(PC);
    KDEBUG_FIELD(MEMPTR); KDEBUG_FIELD(I); KDEBUG_FIELD(R); KDEBUG_FIELD(RBit7);
    KDEBUG_FIELD(IFF); KDEBUG_FIELD(IM); KDEBUG_FIELD(Halted); KDEBUG_FIELD(EiPending);
    KDEBUG_FIELD(TStates);
#undef KDEBUG_FIELD
    field("IoData", plain.IoData, traced.IoData);
    field("PortBLatch", plain.PortBLatch, traced.PortBLatch);
    field("PortCLatch", plain.PortCLatch, traced.PortCLatch);
    field("PpiControl", plain.PpiControl, traced.PpiControl);
    field("UserKeyPending", plain.UserKeyPending, traced.UserKeyPending);
    if (std::memcmp(plain.DigitSegments, traced.DigitSegments, sizeof plain.DigitSegments))
        report += "DigitSegments differ; ";
    if (std::memcmp(plain.KeyColumns, traced.KeyColumns, sizeof plain.KeyColumns))
        report += "KeyColumns differ; ";
    if (compareMemory &&
        std::memcmp(plain.MemoryImage, traced.MemoryImage, sizeof plain.MemoryImage)) {
        for (unsigned a = 0; a < 65536; ++a) {
            if (plain.MemoryImage[a] != traced.MemoryImage[a]) {
                char line[96];
                std::snprintf(line, sizeof line, "memory 0x%04X: 0x%02X, traced 0x%02X; ", a,
                              plain.MemoryImage[a], traced.MemoryImage[a]);
                report += line;
                break;
            }
        }
    }
    return report;
}

}  // namespace kestrel::testing
