// Processor state, memory access, reset, tables and text output of plover's core.
#include "plover/z80/cpu.h"

#include "plover/z80/memory_access.h"

namespace plover {

MachineState Machine;
bool ParityTable[256];
uint8_t HighByteTable[0x14000];

namespace {
uint8_t NoPortRead(uint8_t) { return 0xFF; }
void NoPortWrite(uint8_t, uint8_t) {}
void NoDebugOutput(int, int, std::string_view, bool) {}
}  // namespace

uint8_t (*ReadPortHook)(uint8_t) = NoPortRead;
void (*WritePortHook)(uint8_t, uint8_t) = NoPortWrite;
void (*DebugOutputHook)(int, int, std::string_view, bool) = NoDebugOutput;

uint8_t PeekB(uint32_t address) { return detail::ReadB(address); }
uint16_t PeekW(uint32_t address) { return detail::ReadW(address); }
void PokeB(uint32_t address, uint32_t value) { detail::WriteB(address, value & 0xFF); }
void PokeW(uint32_t address, uint32_t value) { detail::WriteW(address, value & 0xFFFF); }

uint8_t FetchByte() {
    const uint8_t value = detail::ReadB(Z80Registers.PC);
    Z80Registers.PC = static_cast<uint16_t>(Z80Registers.PC + 1);
    return value;
}

uint16_t FetchWord() {
    const uint16_t value = detail::ReadW(Z80Registers.PC);
    Z80Registers.PC = static_cast<uint16_t>(Z80Registers.PC + 2);
    return value;
}

void StackPush(uint16_t value) {
    Z80Registers.SP = static_cast<uint16_t>(Z80Registers.SP - 2);
    detail::WriteW(Z80Registers.SP, value);
}

uint16_t StackPop() {
    const uint16_t value = detail::ReadW(Z80Registers.SP);
    Z80Registers.SP = static_cast<uint16_t>(Z80Registers.SP + 2);
    return value;
}

void ResetProcessor() {
    Z80RegisterSet& r = Z80Registers;
    const uint16_t keptId = r.ID;
    r = Z80RegisterSet{};
    r.ID = keptId;
    r.SP = 0xFFFF;
    r.RTopBit = 0x80;
    for (int n = 0; n < 256; ++n) {
        bool even = true;
        for (int bit = 0; bit < 8; ++bit)
            if (n & (1 << bit)) even = !even;
        ParityTable[n] = even;
    }
    for (uint32_t n = 0; n < 0x14000; ++n) HighByteTable[n] = static_cast<uint8_t>((n & 0xFFFF) / 256);
}

std::string HexText(uint32_t number) {
    static constexpr char digits[] = "0123456789ABCDEF";
    char buffer[8];
    int length = 0;
    do {
        buffer[7 - length++] = digits[number & 0xF];
        number >>= 4;
    } while (number != 0);
    return std::string(buffer + 8 - length, buffer + 8);
}

void DebugLine(std::string_view text, bool wait) { DebugOutputHook(0, 0, text, wait); }

int AcceptInterrupt() {
    Z80RegisterSet& r = Z80Registers;
    if (!r.IFF1) return 0;
    ++r.RCounter;  // the acknowledge cycle refreshes like an opcode fetch
    StackPush(r.PC);
    r.IFF1 = false;
    r.IFF2 = false;
    if (r.IM == 2) {
        r.PC = PeekW(r.I * 256u + 0xFF);
        return 19;
    }
    r.PC = 0x0038;
    return 13;
}

namespace detail {
namespace {
void TraceLine(int row, const char* name, uint32_t address, uint32_t value) {
    std::string line(name);
    line += HexText(address);
    line += " Dato:";
    line += HexText(value);
    line += "       ";
    DebugOutputHook(row, 40, line, false);
}
}  // namespace

void TracePeekB(uint32_t address, uint8_t value) { TraceLine(1, "PeekB:", address, value); }
void TracePeekW(uint32_t address, uint16_t value) { TraceLine(2, "PeekW:", address, value); }
void TracePokeB(uint32_t address, uint8_t value) { TraceLine(3, "PokeB:", address, value); }
void TracePokeW(uint32_t address, uint16_t value) { TraceLine(4, "PokeW:", address, value); }
}  // namespace detail

}  // namespace plover
