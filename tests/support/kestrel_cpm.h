// The CP/M runner's adapter for kestrel's core (see cpm_runner.h).
#pragma once

#include <cstdint>
#include <cstring>

#include "kestrel/z80/cpu.h"
#include "kestrel/z80/processor.h"

namespace z80test {

class KestrelCpm {
public:
    explicit KestrelCpm(kestrel::Processor& m) : m_(m) {}

    uint8_t* Memory() { return m_.MemoryImage; }
    uint16_t PC() const { return m_.Cpu.PC; }
    uint8_t C() const { return m_.Cpu.C; }
    uint16_t DE() const { return kestrel::GetDE(m_.Cpu); }

    // The test set-up differs from the board only here: all of memory is RAM.
    void Reset(uint16_t pc, uint16_t sp) {
        std::memset(m_.WriteEnableMap, 1, sizeof m_.WriteEnableMap);
        kestrel::ResetCpu(m_);
        m_.Cpu.PC = pc;
        m_.Cpu.SP = sp;
    }

    // T-states of one call, from the 16-bit counter's difference. Only LDIR,
    // LDDR, CPIR and CPDR can charge 65,536 or more in one call (21 per
    // iteration, up to 65,536 iterations); for them the count comes from the
    // iterations, which BC tells.
    uint64_t Step() {
        kestrel::Z80State& s = m_.Cpu;
        const uint16_t before = s.TStates;
        const uint8_t* memory = m_.MemoryImage;
        if (memory[s.PC] != 0xED || (memory[static_cast<uint16_t>(s.PC + 1)] & 0xF6) != 0xB0) {
            kestrel::ExecuteInstruction(m_);
            return static_cast<uint16_t>(s.TStates - before);
        }
        const uint16_t bc = kestrel::GetBC(s);
        kestrel::ExecuteInstruction(m_);
        uint32_t iterations = static_cast<uint16_t>(bc - kestrel::GetBC(s));  // BC counts down once per iteration
        if (iterations == 0) iterations = 65536;
        return 21ull * iterations;
    }

private:
    kestrel::Processor& m_;
};

}  // namespace z80test
