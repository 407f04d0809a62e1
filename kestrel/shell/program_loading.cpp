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

ProgramLoadResult LoadHex(MachineRecord& m, const ProgramSource& source) {
    ProgramLoadResult result;
    const intel_hex::ParseResult parsed = intel_hex::ReadFile(source.path);
    if (!parsed.ok) {
        result.fault = parsed.fault.Describe();
        return result;
    }
    result.loaded = true;
    result.reset = parsed.program.Covers(0);
    if (result.reset) ResetCpu(m);
    parsed.program.ForEachByte([&m](uint16_t address, uint8_t value) { m.MemoryImage[address] = value; });
    return result;
}

}  // namespace

ProgramLoadResult LoadProgram(MachineRecord& m, const ProgramSource& source) {
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
