#include "kestrel/debug/trace.h"

#include <cstring>

#include "kestrel/debug/breakpoint_list.h"
#include "kestrel/debug/disassembler.h"
#include "kestrel/debug/number_format.h"
#include "kestrel/debug/symbols.h"
#include "kestrel/z80/cpu.h"
#include "kestrel/z80/execute_impl.h"

namespace kestrel {

namespace {

// Records the instruction stream as the executor fetches it.
struct TraceHooks {
    uint8_t Bytes[8];
    int Count = 0;
    void Fetched(uint8_t byte) {
        if (Count < static_cast<int>(sizeof Bytes)) Bytes[Count++] = byte;
    }
};

// A trace with the breakpoint list armed also reports data accesses to it.
struct WatchingTraceHooks : TraceHooks {
    BreakpointList* List;
    uint16_t Pc;
    void DataRead(uint16_t a, uint8_t v) { NoteDataAccess(*List, false, a, v, Pc); }
    void DataWritten(uint16_t a, uint8_t v) { NoteDataAccess(*List, true, a, v, Pc); }
};

constexpr int kTextColumns = 48;

template <class Hooks>
void TracedStepWith(MachineRecord& m, Hooks& hooks) {
    const uint16_t address = m.Cpu.PC;
    FormatAddressText(m.AddressText, address);

    ExecuteWith(m, hooks);

    // The text comes from the bytes the executor fetched, not from memory as
    // the instruction left it (it may have written over itself).
    uint8_t window[8] = {};
    std::memcpy(window, hooks.Bytes, static_cast<size_t>(hooks.Count));
    DecodeInstruction(window, address, m.NumberBase, TextVariant::Traced, m.InstructionText);
    FormatByteText(m.ByteText, hooks.Bytes, hooks.Count);
}

}  // namespace

void TracedStep(MachineRecord& m) {
    TraceHooks hooks;
    TracedStepWith(m, hooks);
}

void TracedStepWatching(MachineRecord& m) {
    WatchingTraceHooks hooks;
    hooks.List = &m.Breakpoints;
    hooks.Pc = m.Cpu.PC;
    TracedStepWith(m, hooks);
}

int ComposeTraceLine(const MachineRecord& m, char* line) {
    // Columns 0-47: address (12), bytes padded to 14, instruction, cut at 48.
    int n = 0;
    auto text = [&](const char* s, int padTo) {
        while (*s && n < kTextColumns) line[n++] = *s++;
        while (n < padTo) line[n++] = ' ';
    };
    text(m.AddressText, 12);
    text(m.ByteText, 26);
    text(m.InstructionText, kTextColumns);

    const Z80State& s = m.Cpu;
    for (int bit = 7; bit >= 0; --bit) line[n++] = (s.F >> bit) & 1 ? '1' : '0';
    line[n++] = ' ';
    HexDigits(line + n, s.A, 2);
    n += 2;
    const uint16_t words[6] = {GetBC(s), GetDE(s), GetHL(s), s.IX, s.IY, s.SP};
    for (uint16_t w : words) {
        line[n++] = ' ';
        HexDigits(line + n, w, 4);
        n += 4;
    }
    line[n++] = ' ';
    line[n++] = ' ';
    HexDigits(line + n, s.MEMPTR, 4);
    n += 4;
    line[n++] = '\r';
    line[n++] = '\n';
    return n;
}

void BeginTrace(MachineRecord& m, const std::tm& when) {
    char* out = reinterpret_cast<char*>(m.ListingBuffer);
    int n = FormatStartLine(out, when);
    out[n++] = '\r';
    out[n++] = '\n';
    std::memcpy(out + n, kTraceHeader, sizeof kTraceHeader - 1);
    n += static_cast<int>(sizeof kTraceHeader - 1);
    m.ListingFill = static_cast<uint16_t>(n);
    m.TraceToFile = 1;
}

void BeginTrace(MachineRecord& m) { BeginTrace(m, LocalTimeNow()); }

bool FlushTraceBuffer(MachineRecord& m, const char* path) {
    // The fill never comes near the end of the buffer (at most 64,000 plus one
    // line), but keep the line end inside it whatever the fill says.
    uint32_t fill = m.ListingFill;
    if (fill > sizeof m.ListingBuffer - 2) fill = sizeof m.ListingBuffer - 2;
    m.ListingBuffer[fill++] = '\r';
    m.ListingBuffer[fill++] = '\n';
    m.ListingFill = static_cast<uint16_t>(fill);
    bool written = AppendToFile(path, m.ListingBuffer, fill);
    m.TraceToFile = 0;
    return written;
}

TraceOutcome TraceRunLoopStep(MachineRecord& m, const char* path, bool watching) {
    if (watching) [[unlikely]] TracedStepWatching(m);
    else TracedStep(m);
    if (m.ShowSymbols) [[unlikely]] SymbolizeInPlace(m, m.InstructionText);
    char line[kTraceLineLength];
    int length = ComposeTraceLine(m, line);
    // A full buffer is written before the line would run past its end; the
    // usual flush at 64,000 keeps this from ever happening.
    if (m.ListingFill + length > static_cast<int>(sizeof m.ListingBuffer) - 2) {
        return FlushTraceBuffer(m, path) ? TraceOutcome::Written : TraceOutcome::WriteFailed;
    }
    std::memcpy(m.ListingBuffer + m.ListingFill, line, static_cast<size_t>(length));
    m.ListingFill = static_cast<uint16_t>(m.ListingFill + length);
    if (m.ListingFill < kTraceFlushLevel) return TraceOutcome::Collecting;
    return FlushTraceBuffer(m, path) ? TraceOutcome::Written : TraceOutcome::WriteFailed;
}

}  // namespace kestrel
