#include "kestrel/debug/breakpoint_list.h"

#include <cstring>

#include "kestrel/debug/machine_record.h"
#include "kestrel/debug/number_format.h"
#include "kestrel/z80/decode.h"
#include "kestrel/z80/execute_impl.h"

namespace kestrel {
namespace {

inline bool TestBit(const uint8_t* map, uint16_t address) {
    return (map[address >> 3] >> (address & 7)) & 1;
}

void SetBits(uint8_t* map, uint16_t start, uint16_t end) {
    for (uint32_t a = start; a <= end; ++a) map[a >> 3] |= static_cast<uint8_t>(1u << (a & 7));
}

// The bit maps follow the enabled entries.
void Rebuild(BreakpointList& c) {
    std::memset(c.ExecuteMap, 0, sizeof c.ExecuteMap);
    std::memset(c.ReadMap, 0, sizeof c.ReadMap);
    std::memset(c.WriteMap, 0, sizeof c.WriteMap);
    c.EnabledCount = 0;
    for (int i = 0; i < c.Count; ++i) {
        const BreakEntry& e = c.Entries[i];
        if (!e.Enabled) continue;
        ++c.EnabledCount;
        if (e.Kind == BreakEntryKind::Execute) SetBits(c.ExecuteMap, e.Start, e.Start);
        if (e.Kind != BreakEntryKind::Execute) SetBits(c.WriteMap, e.Start, e.End);
        if (e.Kind == BreakEntryKind::ReadWrite) SetBits(c.ReadMap, e.Start, e.End);
    }
}

// The first enabled execution breakpoint at `address` (the map says there is one).
int FindEnabledExecute(const BreakpointList& c, uint16_t address) {
    for (int i = 0; i < c.Count; ++i) {
        const BreakEntry& e = c.Entries[i];
        if (e.Enabled && e.Kind == BreakEntryKind::Execute && e.Start == address) return i;
    }
    return -1;
}

BreakEntry Normalised(BreakEntry e) {
    if (e.Kind == BreakEntryKind::Execute) e.End = e.Start;
    return e;
}

// Reports the first watched data access of the instruction at `pc`.
struct CheckHooks {
    BreakpointList& c;
    uint16_t pc;
    KESTREL_INLINE void Fetched(uint8_t) {}
    KESTREL_INLINE void DataRead(uint16_t a, uint8_t v) {
        if (TestBit(c.ReadMap, a)) [[unlikely]] Record(HitKind::WatchRead, a, v);
    }
    KESTREL_INLINE void DataWritten(uint16_t a, uint8_t v) {
        if (TestBit(c.WriteMap, a)) [[unlikely]] Record(HitKind::WatchWrite, a, v);
    }
    void Record(HitKind kind, uint16_t a, uint8_t v) {
        if (c.Hit.Kind != HitKind::None) return;
        c.Hit = CheckHit{kind, 0, a, v, pc};
    }
};

// RET, RET cc, and ED's RETN/RETI forms (x = 1, z = 5).
bool IsReturn(const uint8_t* mem, uint16_t pc) {
    const uint8_t op = mem[pc];
    if (op == 0xC9 || (op & 0xC7) == 0xC0) return true;
    const uint8_t next = mem[static_cast<uint16_t>(pc + 1)];
    return op == 0xED && (next & 0xC7) == 0x45;
}

// The one-time stop's test after an instruction that started at `pc` with
// SP `sp`, the return test having been taken before it ran.
bool OneTimeStopReached(const BreakpointList& c, const Z80State& s, uint16_t sp, bool wasReturn) {
    switch (c.Stop) {
        case StopKind::StepOver: return s.PC == c.StopAddress && s.SP >= c.StopSp;
        case StopKind::StepOut: return wasReturn && s.SP == static_cast<uint16_t>(sp + 2) && s.SP > c.StopSp;
        case StopKind::RunTo: return s.PC == c.StopAddress;
        case StopKind::None: break;
    }
    return false;
}

void ArmStop(MachineRecord& m, StopKind kind, uint16_t address) {
    BreakpointList& c = m.Breakpoints;
    c.Stop = kind;
    c.StopAddress = address;
    c.StopSp = m.Cpu.SP;
    c.StopFrom = m.Cpu.PC;
    c.StopTStates = 0;
}

std::string Word(const MachineRecord& m, uint16_t v) { return NumberText(v, NumberWidth::Word, m.NumberBase); }
std::string Byte(const MachineRecord& m, uint8_t v) { return NumberText(v, NumberWidth::Byte, m.NumberBase); }

}  // namespace

bool AddBreakEntry(BreakpointList& c, const BreakEntry& entry) {
    const BreakEntry e = Normalised(entry);
    if (c.Count >= kMaxBreakEntries || e.End < e.Start) return false;
    c.Entries[c.Count++] = e;
    Rebuild(c);
    return true;
}

bool EditBreakEntry(BreakpointList& c, int index, const BreakEntry& entry) {
    const BreakEntry e = Normalised(entry);
    if (index < 0 || index >= c.Count || e.End < e.Start) return false;
    c.Entries[index] = e;
    Rebuild(c);
    return true;
}

void RemoveBreakEntry(BreakpointList& c, int index) {
    if (index < 0 || index >= c.Count) return;
    for (int i = index; i + 1 < c.Count; ++i) c.Entries[i] = c.Entries[i + 1];
    --c.Count;
    Rebuild(c);
}

void EnableBreakEntry(BreakpointList& c, int index, bool enabled) {
    if (index < 0 || index >= c.Count) return;
    c.Entries[index].Enabled = enabled;
    Rebuild(c);
}

int FindExecuteEntry(const BreakpointList& c, uint16_t address) {
    for (int i = 0; i < c.Count; ++i) {
        if (c.Entries[i].Kind == BreakEntryKind::Execute && c.Entries[i].Start == address) return i;
    }
    return -1;
}

bool ToggleExecuteEntry(BreakpointList& c, uint16_t address) {
    const int index = FindExecuteEntry(c, address);
    if (index >= 0) {
        RemoveBreakEntry(c, index);
        return true;
    }
    return AddBreakEntry(c, BreakEntry{BreakEntryKind::Execute, address, address, true});
}

bool ArmStepOver(MachineRecord& m) {
    const uint16_t pc = m.Cpu.PC;
    const uint8_t op = m.MemoryImage[pc];
    const bool call = op == 0xCD || (op & 0xC7) == 0xC4;
    const bool rst = (op & 0xC7) == 0xC7;
    if (!call && !rst) return false;
    ArmStop(m, StopKind::StepOver, static_cast<uint16_t>(pc + (call ? 3 : 1)));
    m.Breakpoints.StopOpcode = op;
    m.Breakpoints.StopCallTarget = call ? ReadWord(m, static_cast<uint16_t>(pc + 1)) : static_cast<uint16_t>(op & 0x38);
    return true;
}

void ArmStepOut(MachineRecord& m) { ArmStop(m, StopKind::StepOut, 0); }

void ArmRunTo(MachineRecord& m, uint16_t address) { ArmStop(m, StopKind::RunTo, address); }

void DisarmOneTimeStop(MachineRecord& m) { m.Breakpoints.Stop = StopKind::None; }

CheckStart BeginChecked(MachineRecord& m) {
    BreakpointList& c = m.Breakpoints;
    const Z80State& s = m.Cpu;
    c.Hit.Kind = HitKind::None;
    return CheckStart{s.PC, s.SP, s.TStates, c.Stop == StopKind::StepOut && IsReturn(m.MemoryImage, s.PC)};
}

bool EndChecked(MachineRecord& m, const CheckStart& start) {
    BreakpointList& c = m.Breakpoints;
    const Z80State& s = m.Cpu;
    c.StopTStates += static_cast<uint16_t>(s.TStates - start.TStates);
    if (c.Hit.Kind != HitKind::None) return true;
    if (c.Stop != StopKind::None && OneTimeStopReached(c, s, start.Sp, start.WasReturn)) {
        c.LastStop = c.Stop;
        c.Stop = StopKind::None;
        c.Hit = CheckHit{HitKind::OneTimeStop, 0, s.PC, 0, start.Pc};
        return true;
    }
    if (TestBit(c.ExecuteMap, s.PC)) {
        c.Hit = CheckHit{HitKind::Breakpoint, FindEnabledExecute(c, s.PC) + 1, s.PC, 0, start.Pc};
        return true;
    }
    return false;
}

void NoteDataAccess(BreakpointList& c, bool write, uint16_t address, uint8_t value, uint16_t pc) {
    CheckHooks hooks{c, pc};
    if (write) hooks.DataWritten(address, value);
    else hooks.DataRead(address, value);
}

bool ExecuteChecked(MachineRecord& m) {
    const CheckStart start = BeginChecked(m);
    CheckHooks hooks{m.Breakpoints, start.Pc};
    ExecuteWith(m, hooks);
    return EndChecked(m, start);
}

std::string CheckHitText(const MachineRecord& m, const CheckHit& hit) {
    const BreakpointList& c = m.Breakpoints;
    const std::string ts = ": " + std::to_string(c.StopTStates) + " T-states";
    switch (hit.Kind) {
        case HitKind::Breakpoint:
            return "Breakpoint " + std::to_string(hit.Entry) + " at " + Word(m, hit.Address);
        case HitKind::WatchWrite:
        case HitKind::WatchRead:
            return std::string(hit.Kind == HitKind::WatchWrite ? "Write to " : "Read from ") +
                   Word(m, hit.Address) + ": " + Byte(m, hit.Value) + " by the instruction at " +
                   Word(m, hit.InstructionAt);
        case HitKind::OneTimeStop:
            if (c.LastStop == StopKind::StepOver) {
                if (c.StopOpcode == 0xCD || (c.StopOpcode & 0xC7) == 0xC4)
                    return "Stepped over CALL " + Word(m, c.StopCallTarget) + ts;
                return "Stepped over RST " + Byte(m, static_cast<uint8_t>(c.StopCallTarget)) + ts;
            }
            if (c.LastStop == StopKind::StepOut) return "Stepped out to " + Word(m, hit.Address) + ts;
            return "Ran to " + Word(m, hit.Address) + ts;
        case HitKind::None: break;
    }
    return std::string();
}

}  // namespace kestrel
