// Loading user programs: raw images and Intel HEX files.
#include "kestrel/shell/program_loading.h"

#include "intel_hex/intel_hex.h"
#include "kestrel/board/machine.h"
#include "kestrel/gui/memory_files.h"
#include "kestrel/z80/cpu.h"

namespace kestrel {

namespace {

ProgramLoadResult LoadBin(MachineRecord& m, const ProgramSource& source) {
    ProgramLoadResult result;
    SkippedBytes skipped;
    switch (LoadMemoryImage(m, source.path, source.base, source.count, &skipped)) {
        case ImageLoadResult::Loaded:
            result.loaded = true;
            result.reset = source.base == 0;
            result.skipped = DescribeSkippedBytes(skipped);
            break;
        case ImageLoadResult::CannotOpen: result.fault = source.path + ": cannot be opened"; break;
        case ImageLoadResult::ReadFailed: result.fault = source.path + ": read error"; break;
    }
    return result;
}

// A program already read (a raw image or a HEX file): one that loads at
// 0000h replaces the monitor and resets the processor, as a raw load at base
// 0 does. Any other keeps out of the ROM while "Write Protect ROM" is checked
// and says how many bytes it left out. The reader refused an image past
// FFFFh, so nothing wraps.
ProgramLoadResult StoreProgram(MachineRecord& m, const intel_hex::Program& read, bool replacesMonitor) {
    ProgramLoadResult result;
    result.loaded = true;
    result.reset = replacesMonitor;
    if (result.reset) ResetCpu(m);
    const bool guarded = m.WriteProtectRom && !replacesMonitor;
    SkippedBytes skipped;
    read.ForEachByte([&](uint16_t address, uint8_t value) {
        if (guarded && RomWriteProtected(m, address))
            ++skipped.InRom;
        else
            m.MemoryImage[address] = value;
    });
    result.skipped = DescribeSkippedBytes(skipped);
    return result;
}

ProgramLoadResult LoadHex(MachineRecord& m, const ProgramSource& source) {
    const intel_hex::ParseResult parsed = intel_hex::ReadFile(source.path);
    if (!parsed.ok) {
        ProgramLoadResult result;
        result.fault = parsed.fault.Describe();
        return result;
    }
    return StoreProgram(m, parsed.program, parsed.program.Covers(0));
}

}  // namespace

ProgramLoadResult LoadProgram(MachineRecord& m, const ProgramSource& source, const intel_hex::Program* read) {
    if (read != nullptr) {
        const bool replacesMonitor = source.kind == ProgramSource::Kind::Bin ? source.base == 0 : read->Covers(0);
        return StoreProgram(m, *read, replacesMonitor);
    }
    return source.kind == ProgramSource::Kind::Bin ? LoadBin(m, source) : LoadHex(m, source);
}

void RunMonitorStart(MachineRecord& m) {
    for (int i = 0; i < kMonitorStartInstructions; ++i) StepInstruction(m);
}

void StartUserProgram(MachineRecord& m, uint16_t address) {
    m.Cpu.PC = address;
    m.Cpu.Halted = false;
}

}  // namespace kestrel
