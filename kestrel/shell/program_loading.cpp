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

// A raw image already read: written as LoadMemoryImage writes one, keeping
// out of the ROM while "Write Protect ROM" is checked. The reader refused an
// image past FFFFh, so nothing wraps.
ProgramLoadResult StoreBin(MachineRecord& m, const ProgramSource& source, const intel_hex::Program& read) {
    ProgramLoadResult result;
    result.loaded = true;
    result.reset = source.base == 0;
    if (result.reset) ResetCpu(m);
    const bool guarded = m.WriteProtectRom && source.base != 0;
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

ProgramLoadResult StoreHex(MachineRecord& m, const intel_hex::Program& program) {
    ProgramLoadResult result;
    result.loaded = true;
    result.reset = program.Covers(0);
    if (result.reset) ResetCpu(m);
    program.ForEachByte([&m](uint16_t address, uint8_t value) { m.MemoryImage[address] = value; });
    return result;
}

ProgramLoadResult LoadHex(MachineRecord& m, const ProgramSource& source) {
    const intel_hex::ParseResult parsed = intel_hex::ReadFile(source.path);
    if (!parsed.ok) {
        ProgramLoadResult result;
        result.fault = parsed.fault.Describe();
        return result;
    }
    return StoreHex(m, parsed.program);
}

}  // namespace

ProgramLoadResult LoadProgram(MachineRecord& m, const ProgramSource& source, const intel_hex::Program* read) {
    if (read != nullptr) return source.kind == ProgramSource::Kind::Bin ? StoreBin(m, source, *read) : StoreHex(m, *read);
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
