// The one source of kestrel's instruction semantics.
//
//   template <class Hooks> void ExecuteWith(Processor& m, Hooks& h)
//
// executes exactly one instruction at PC: one opcode with all its prefixes,
// a whole repeating block instruction included; a doubled index prefix
// (DD DD, FD FD, FD DD) is consumed alone and executes nothing.
//
// Hooks must provide
//     void Fetched(uint8_t byte);
// which is called for every byte of the instruction stream (prefixes,
// opcodes, displacement, operands) in memory order, at the moment it is
// fetched. A HALT is fetched (and reported) again on every call.
//
// Hooks may provide
//     void DataRead(uint16_t address, uint8_t value);
//     void DataWritten(uint16_t address, uint8_t value);
// which are then called for every byte an instruction reads or writes as data
// (stack pushes and pops included; opcode and operand fetches are not data),
// a write before it is stored (a refused write is reported too). Block
// instructions report every byte of every repetition.
//
// Hooks may provide
//     void Port(Processor& m, uint8_t read, uint8_t write, uint8_t lo, uint8_t hi);
// which then replaces the record's Ports seam for every byte of every IN and
// OUT (the instruction still passes the byte through IoData). Without it the
// record's Ports is called, when it is set.
//
// ExecuteInstruction (cpu.cpp) instantiates this with empty inline hooks, so
// the plain step pays nothing for them; the traced step instantiates it with
// hooks that record the fetched bytes. Everything here is inline so that each
// instantiation is one flat function with constant-folded decode fields.
//
// Opcodes are decoded by the fields x (bits 7-6), y (5-3), z (2-0),
// p = y >> 1, q = y & 1 of decode.h, and operands named by the tables
//   r:   B C D E H L (HL) A          rp:  BC DE HL SP      rp2: BC DE HL AF
//   cc:  NZ Z NC C PO PE P M         alu: ADD ADC SUB SBC AND XOR OR CP
//   rot: RLC RRC RL RR SLA SRA SLL SRL
// Each unprefixed opcode is a template instantiation Main<op, idx> with idx
// 0 = HL, 1 = IX, 2 = IY, so the decode of an opcode happens at compile time.
#pragma once

#include <cstdint>

#include "kestrel/z80/cpu.h"
#include "kestrel/z80/decode.h"
#include "kestrel/z80/processor.h"

#if defined(__GNUC__)
#define KESTREL_INLINE inline __attribute__((always_inline))
#else
#define KESTREL_INLINE inline
#endif

namespace kestrel {
namespace exec {

using flag::C;
using flag::F3;
using flag::F5;
using flag::H;
using flag::N;
using flag::PV;
using flag::S;
using flag::Z;

// Decode fields and r-codes come from decode.h, shared with the disassembler;
// Z is spelled decode::Z here, where Z alone is the zero flag.
using namespace decode;

// S, bits 5 and 3 from the result, Z when it is 0.
KESTREL_INLINE uint8_t Sz53(uint8_t v) {
    return static_cast<uint8_t>((v & (S | F5 | F3)) | (v == 0 ? Z : 0));
}
// P/V set for an even number of set bits (0 counts as even).
KESTREL_INLINE uint8_t Parity(uint8_t v) {
    return __builtin_parity(v) ? 0 : PV;
}

template <class Hooks>
struct Core {
    Processor& m;
    Z80State& s;
    Hooks& h;

    KESTREL_INLINE Core(Processor& machine, Hooks& hooks) : m(machine), s(machine.Cpu), h(hooks) {}

    // ---------------------------------------------------------------- fetch
    // Opcode fetch: counts R.
    KESTREL_INLINE uint8_t FetchOpcode() {
        const uint8_t b = m.MemoryImage[s.PC];
        s.PC = static_cast<uint16_t>(s.PC + 1);
        s.R = static_cast<uint8_t>(s.R + 1);
        h.Fetched(b);
        return b;
    }
    // Operand fetch: no R count.
    KESTREL_INLINE uint8_t FetchByte() {
        const uint8_t b = m.MemoryImage[s.PC];
        s.PC = static_cast<uint16_t>(s.PC + 1);
        h.Fetched(b);
        return b;
    }
    KESTREL_INLINE uint16_t FetchWord() {
        const uint8_t lo = FetchByte();
        const uint8_t hi = FetchByte();
        return static_cast<uint16_t>(lo | hi << 8);
    }
    KESTREL_INLINE void Charge(unsigned t) { s.TStates = static_cast<uint16_t>(s.TStates + t); }

    KESTREL_INLINE void Port(uint8_t read, uint8_t write, uint8_t lo, uint8_t hi) {
        if constexpr (requires { &Hooks::Port; }) {
            h.Port(m, read, write, lo, hi);  // a Port of another signature fails to compile
        } else if (m.Ports != nullptr) {
            m.Ports(m, read, write, lo, hi);
        }
    }

    // ------------------------------------------------------------ registers
    // Plain registers by r-code (never 6).
    template <int R>
    KESTREL_INLINE uint8_t& Reg() {
        static_assert(R != kMem);
        if constexpr (R == kB) return s.B;
        else if constexpr (R == kC) return s.C;
        else if constexpr (R == kD) return s.D;
        else if constexpr (R == kE) return s.E;
        else if constexpr (R == kH) return s.H;
        else if constexpr (R == kL) return s.L;
        else return s.A;
    }
    // Runtime r-code (block loops and ED page use it rarely).
    KESTREL_INLINE uint8_t& RegDyn(uint8_t r) {
        switch (r & 7) {
            case kB: return s.B;
            case kC: return s.C;
            case kD: return s.D;
            case kE: return s.E;
            case kH: return s.H;
            case kL: return s.L;
            default: return s.A;
        }
    }
    // Register by r-code with H and L replaced by the index halves.
    template <int R, int Idx>
    KESTREL_INLINE uint8_t GetR() {
        if constexpr (Idx != 0 && (R == kH || R == kL)) {
            const uint16_t v = Idx == 1 ? s.IX : s.IY;
            return R == kH ? static_cast<uint8_t>(v >> 8) : static_cast<uint8_t>(v);
        } else {
            return Reg<R>();
        }
    }
    template <int R, int Idx>
    KESTREL_INLINE void SetR(uint8_t v) {
        if constexpr (Idx != 0 && (R == kH || R == kL)) {
            uint16_t& w = Idx == 1 ? s.IX : s.IY;
            w = R == kH ? static_cast<uint16_t>((w & 0x00FF) | v << 8)
                        : static_cast<uint16_t>((w & 0xFF00) | v);
        } else {
            Reg<R>() = v;
        }
    }
    // HL, IX or IY.
    template <int Idx>
    KESTREL_INLINE uint16_t GetHX() {
        if constexpr (Idx == 1) return s.IX;
        else if constexpr (Idx == 2) return s.IY;
        else return GetHL(s);
    }
    template <int Idx>
    KESTREL_INLINE void SetHX(uint16_t v) {
        if constexpr (Idx == 1) s.IX = v;
        else if constexpr (Idx == 2) s.IY = v;
        else SetHL(s, v);
    }
    // rp table: BC DE HL SP (HL replaced by the index register).
    template <int Pp, int Idx>
    KESTREL_INLINE uint16_t GetRp() {
        if constexpr (Pp == 0) return GetBC(s);
        else if constexpr (Pp == 1) return GetDE(s);
        else if constexpr (Pp == 2) return GetHX<Idx>();
        else return s.SP;
    }
    template <int Pp, int Idx>
    KESTREL_INLINE void SetRp(uint16_t v) {
        if constexpr (Pp == 0) SetBC(s, v);
        else if constexpr (Pp == 1) SetDE(s, v);
        else if constexpr (Pp == 2) SetHX<Idx>(v);
        else s.SP = v;
    }
    // rp2 table: BC DE HL AF.
    template <int Pp, int Idx>
    KESTREL_INLINE uint16_t GetRp2() {
        if constexpr (Pp == 3) return GetAF(s);
        else return GetRp<Pp, Idx>();
    }
    template <int Pp, int Idx>
    KESTREL_INLINE void SetRp2(uint16_t v) {
        if constexpr (Pp == 3) SetAF(s, v);
        else SetRp<Pp, Idx>(v);
    }
    KESTREL_INLINE uint16_t GetRpDyn(uint8_t p) {
        switch (p & 3) {
            case 0: return GetBC(s);
            case 1: return GetDE(s);
            case 2: return GetHL(s);
            default: return s.SP;
        }
    }
    KESTREL_INLINE void SetRpDyn(uint8_t p, uint16_t v) {
        switch (p & 3) {
            case 0: SetBC(s, v); break;
            case 1: SetDE(s, v); break;
            case 2: SetHL(s, v); break;
            default: s.SP = v; break;
        }
    }

    // Effective address of (HL) or (IX+d); for the indexed form d is fetched
    // here and the address becomes MEMPTR.
    template <int Idx>
    KESTREL_INLINE uint16_t MemAddress() {
        if constexpr (Idx == 0) {
            return GetHL(s);
        } else {
            const int8_t d = static_cast<int8_t>(FetchByte());
            s.Displacement = d;
            const uint16_t ea = static_cast<uint16_t>(GetHX<Idx>() + d);
            s.MEMPTR = ea;
            return ea;
        }
    }

    // ------------------------------------------------------ 8-bit ALU flags
    //                         S Z 5 H 3 P N C
    // ADD/ADC                 s z 5 h 3 v 0 c
    // SUB/SBC                 s z 5 h 3 v 1 c
    // CP                      s z * h * v 1 c   bits 5,3 from the operand
    // AND                     s z 5 1 3 p 0 0
    // XOR/OR                  s z 5 0 3 p 0 0
    KESTREL_INLINE void Add8(uint8_t v, unsigned carry) {
        const unsigned a = s.A;
        const unsigned r = a + v + carry;
        const uint8_t res = static_cast<uint8_t>(r);
        uint8_t f = Sz53(res);                                       // S Z 5 3
        f |= ((a & 0x0F) + (v & 0x0F) + carry) & H;                  // H
        f |= ((~(a ^ v) & (a ^ r)) >> 5) & PV;                       // P/V overflow
        f |= r > 0xFF ? C : 0;                                       // C
        s.A = res;
        s.F = f;                                                     // N = 0
    }
    KESTREL_INLINE uint8_t Sub8Flags(uint8_t v, unsigned carry, uint8_t& res) {
        const unsigned a = s.A;
        const unsigned r = a - v - carry;
        res = static_cast<uint8_t>(r);
        uint8_t f = N;                                               // N
        f |= res == 0 ? Z : 0;                                       // Z
        f |= res & S;                                                // S
        f |= ((a & 0x0F) - (v & 0x0F) - carry) & H;                  // H
        f |= (((a ^ v) & (a ^ r)) >> 5) & PV;                        // P/V overflow
        f |= (r >> 8) & C;                                           // C (borrow)
        return f;
    }
    KESTREL_INLINE void Alu(int op, uint8_t v) {
        switch (op) {
            case 0: Add8(v, 0); break;                               // ADD
            case 1: Add8(v, s.F & C); break;                         // ADC
            case 2: {                                                // SUB
                uint8_t r;
                s.F = static_cast<uint8_t>(Sub8Flags(v, 0, r) | (r & (F5 | F3)));
                s.A = r;
                break;
            }
            case 3: {                                                // SBC
                uint8_t r;
                s.F = static_cast<uint8_t>(Sub8Flags(v, s.F & C, r) | (r & (F5 | F3)));
                s.A = r;
                break;
            }
            case 4:                                                  // AND
                s.A &= v;
                s.F = static_cast<uint8_t>(Sz53(s.A) | H | Parity(s.A));
                break;
            case 5:                                                  // XOR
                s.A ^= v;
                s.F = static_cast<uint8_t>(Sz53(s.A) | Parity(s.A));
                break;
            case 6:                                                  // OR
                s.A |= v;
                s.F = static_cast<uint8_t>(Sz53(s.A) | Parity(s.A));
                break;
            default: {                                               // CP
                // Undocumented: bits 5 and 3 come from the operand.
                uint8_t r;
                s.F = static_cast<uint8_t>(Sub8Flags(v, 0, r) | (v & (F5 | F3)));
                break;
            }
        }
    }
    // INC r:  s z 5 h 3 v 0 -      DEC r:  s z 5 h 3 v 1 -
    KESTREL_INLINE uint8_t Inc8(uint8_t old) {
        const uint8_t r = static_cast<uint8_t>(old + 1);
        s.F = static_cast<uint8_t>((s.F & C)                         // C unchanged
                                   | Sz53(r)                         // S Z 5 3
                                   | ((old & 0x0F) == 0x0F ? H : 0)  // H
                                   | (old == 0x7F ? PV : 0));        // P/V
        return r;
    }
    KESTREL_INLINE uint8_t Dec8(uint8_t old) {
        const uint8_t r = static_cast<uint8_t>(old - 1);
        s.F = static_cast<uint8_t>((s.F & C)                         // C unchanged
                                   | Sz53(r)                         // S Z 5 3
                                   | ((old & 0x0F) == 0 ? H : 0)     // H
                                   | (old == 0x80 ? PV : 0)          // P/V
                                   | N);                             // N
        return r;
    }
    // rot y,v:  s z 5 0 3 p 0 c
    KESTREL_INLINE uint8_t Rotate(int op, uint8_t v) {
        uint8_t r;
        uint8_t c;
        switch (op) {
            case 0: c = v >> 7; r = static_cast<uint8_t>(v << 1 | c); break;              // RLC
            case 1: c = v & 1; r = static_cast<uint8_t>(v >> 1 | c << 7); break;          // RRC
            case 2: c = v >> 7; r = static_cast<uint8_t>(v << 1 | (s.F & C)); break;      // RL
            case 3: c = v & 1; r = static_cast<uint8_t>(v >> 1 | (s.F & C) << 7); break;  // RR
            case 4: c = v >> 7; r = static_cast<uint8_t>(v << 1); break;                  // SLA
            case 5: c = v & 1; r = static_cast<uint8_t>((v >> 1) | (v & 0x80)); break;    // SRA
            case 6: c = v >> 7; r = static_cast<uint8_t>(v << 1 | 1); break;              // SLL
            default: c = v & 1; r = static_cast<uint8_t>(v >> 1); break;                  // SRL
        }
        s.F = static_cast<uint8_t>(Sz53(r) | Parity(r) | c);
        return r;
    }
    // BIT y,r:  * z * 1 * z 0 -   S/5/3 from (r AND mask)
    KESTREL_INLINE void BitReg(int y, uint8_t v) {
        const uint8_t t = static_cast<uint8_t>(v & (1u << y));
        s.F = static_cast<uint8_t>((s.F & C) | H | (t & (S | F5 | F3)) | (t == 0 ? (Z | PV) : 0));
    }
    // BIT y,(HL) / (IX+d): bits 5 and 3 from the high byte of MEMPTR.
    KESTREL_INLINE void BitMem(int y, uint8_t v) {
        const uint8_t t = static_cast<uint8_t>(v & (1u << y));
        s.F = static_cast<uint8_t>((s.F & C) | H | ((s.MEMPTR >> 8) & (F5 | F3)) |
                                   (t == 0 ? (Z | PV) : 0) | (t & S));
    }

    // ----------------------------------------------------- 16-bit arithmetic
    // ADD rr,rr:  - - 5 h 3 - 0 c   (5,3 from the high byte of the result)
    template <int Idx>
    KESTREL_INLINE void Add16(uint16_t v) {
        const unsigned a = GetHX<Idx>();
        const unsigned r = a + v;
        s.MEMPTR = static_cast<uint16_t>(a + 1);
        s.F = static_cast<uint8_t>((s.F & (S | Z | PV))                    // unchanged
                                   | ((r >> 8) & (F5 | F3))                // 5 3
                                   | ((((a & 0x0FFF) + (v & 0x0FFF)) >> 8) & H)  // H
                                   | (r >> 16));                           // C
        SetHX<Idx>(static_cast<uint16_t>(r));
    }
    // ADC HL,rr:  s z 5 h 3 v 0 c
    KESTREL_INLINE void Adc16(uint16_t v) {
        const unsigned a = GetHL(s);
        const unsigned c = s.F & C;
        const unsigned r = a + v + c;
        const uint16_t res = static_cast<uint16_t>(r);
        s.MEMPTR = static_cast<uint16_t>(a + 1);
        s.F = static_cast<uint8_t>(((res >> 8) & (S | F5 | F3))            // S 5 3
                                   | (res == 0 ? Z : 0)                    // Z
                                   | ((((a & 0x0FFF) + (v & 0x0FFF) + c) >> 8) & H)  // H
                                   | (((~(a ^ v) & (a ^ r)) >> 13) & PV)   // P/V
                                   | (r >> 16));                           // C
        SetHL(s, res);
    }
    // SBC HL,rr:  s z 5 h 3 v 1 c
    KESTREL_INLINE void Sbc16(uint16_t v) {
        const unsigned a = GetHL(s);
        const unsigned c = s.F & C;
        const unsigned r = a - v - c;
        const uint16_t res = static_cast<uint16_t>(r);
        s.MEMPTR = static_cast<uint16_t>(a + 1);
        s.F = static_cast<uint8_t>(((res >> 8) & (S | F5 | F3))            // S 5 3
                                   | (res == 0 ? Z : 0)                    // Z
                                   | ((((a & 0x0FFF) - (v & 0x0FFF) - c) >> 8) & H)  // H
                                   | ((((a ^ v) & (a ^ r)) >> 13) & PV)    // P/V
                                   | N                                     // N
                                   | ((r >> 16) & C));                     // C
        SetHL(s, res);
    }

    // ----------------------------------------------------------- accumulator
    KESTREL_INLINE void Daa() {
        const uint8_t a = s.A;
        uint8_t adj = 0;
        if ((s.F & H) || (a & 0x0F) > 9) adj |= 0x06;
        if ((s.F & C) || a > 0x9F || (a > 0x8F && (a & 0x0F) > 9)) adj |= 0x60;
        uint8_t f = static_cast<uint8_t>(s.F & (N | C));
        if (a > 0x99) f |= C;
        uint8_t r;
        if (s.F & N) {
            f |= ((a & 0x0F) - (adj & 0x0F)) & H;
            r = static_cast<uint8_t>(a - adj);
        } else {
            f |= ((a & 0x0F) + (adj & 0x0F)) & H;
            r = static_cast<uint8_t>(a + adj);
        }
        s.A = r;
        s.F = static_cast<uint8_t>(f | Sz53(r) | Parity(r));
    }

    // ------------------------------------------------- data memory and stack
    // Every data access of an instruction (not its fetches) passes here, so
    // hooks with DataRead/DataWritten see each byte; without them these are
    // the plain primitives of cpu.h.
    KESTREL_INLINE void Write(uint16_t a, uint8_t v) {
        if constexpr (requires { &Hooks::DataWritten; }) h.DataWritten(a, v);
        WriteByte(m, a, v);
    }
    KESTREL_INLINE uint8_t Read(uint16_t a) {
        const uint8_t v = m.MemoryImage[a];
        if constexpr (requires { &Hooks::DataRead; }) h.DataRead(a, v);
        return v;
    }
    KESTREL_INLINE uint16_t ReadWordData(uint16_t a) {
        if constexpr (requires { &Hooks::DataRead; }) {
            const uint8_t lo = Read(a);
            return static_cast<uint16_t>(lo | Read(static_cast<uint16_t>(a + 1)) << 8);
        } else {
            return ReadWord(m, a);
        }
    }
    KESTREL_INLINE void WriteWord(uint16_t a, uint16_t v) {
        Write(a, static_cast<uint8_t>(v));
        Write(static_cast<uint16_t>(a + 1), static_cast<uint8_t>(v >> 8));
    }
    KESTREL_INLINE void Push(uint16_t v) {
        if constexpr (requires { &Hooks::DataWritten; }) {
            s.SP = static_cast<uint16_t>(s.SP - 1);
            Write(s.SP, static_cast<uint8_t>(v >> 8));
            s.SP = static_cast<uint16_t>(s.SP - 1);
            Write(s.SP, static_cast<uint8_t>(v));
        } else {
            PushWord(m, v);
        }
    }
    KESTREL_INLINE uint16_t Pop() {
        if constexpr (requires { &Hooks::DataRead; }) {
            const uint16_t v = ReadWordData(s.SP);
            s.SP = static_cast<uint16_t>(s.SP + 2);
            return v;
        } else {
            return PopWord(m);
        }
    }

    // ======================================================== unprefixed page
    // Main<Op, Idx> hands each opcode to its group below at compile time. In
    // the tables, x y z p q are the opcode fields; flag columns are
    // S Z 5 H 3 P/V N C: '-' unchanged, '0'/'1' reset/set, a letter computed.
    // T-states of an index form (Idx != 0) that replaces H, L or (HL) follow
    // a '/'; the prefix itself charges nothing.
    template <int Op, int Idx>
    KESTREL_INLINE void Main() {
        constexpr int x = X(Op), z = decode::Z(Op);
        if constexpr (x == 0) {
            if constexpr (z == 0) RelativeJumpGroup<Op>();
            else if constexpr (z <= 2) Load16Group<Op, Idx>();
            else if constexpr (z <= 6) IncDecImmediateGroup<Op, Idx>();
            else AccumulatorGroup<Op>();
        } else if constexpr (x == 1) {
            LoadRegisterGroup<Op, Idx>();
        } else if constexpr (x == 2) {
            AluRegisterGroup<Op, Idx>();
        } else if constexpr (z <= 2) {
            ReturnJumpGroup<Op, Idx>();
        } else if constexpr (z == 3) {
            PortExchangeGroup<Op, Idx>();
        } else {
            CallPushGroup<Op, Idx>();
        }
    }

    // x = 0, z = 0                 flags        T-states
    //   y = 0  NOP                 -            4
    //   y = 1  EX AF,AF'           (swapped)    4
    //   y = 2  DJNZ d              -            13 taken / 8
    //   y = 3  JR d                -            12
    //   y = 4-7  JR cc[y-4],d      -            12 taken / 7
    // A taken DJNZ or JR d loads MEMPTR with the target; JR cc leaves it.
    template <int Op>
    KESTREL_INLINE void RelativeJumpGroup() {
        constexpr int y = Y(Op);
        if constexpr (y == 0) {                                              // NOP
            Charge(4);
        } else if constexpr (y == 1) {                                       // EX AF,AF'
            uint8_t t = s.A; s.A = s.AltA; s.AltA = t;
            t = s.F; s.F = s.AltF; s.AltF = t;
            Charge(4);
        } else if constexpr (y == 2) {                                       // DJNZ d
            const int8_t d = static_cast<int8_t>(FetchByte());
            s.B = static_cast<uint8_t>(s.B - 1);
            if (s.B != 0) {
                s.PC = static_cast<uint16_t>(s.PC + d);
                s.MEMPTR = s.PC;
                Charge(13);
            } else {
                Charge(8);
            }
        } else if constexpr (y == 3) {                                       // JR d
            const int8_t d = static_cast<int8_t>(FetchByte());
            s.PC = static_cast<uint16_t>(s.PC + d);
            s.MEMPTR = s.PC;
            Charge(12);
        } else {                                                             // JR cc,d
            const int8_t d = static_cast<int8_t>(FetchByte());
            if (ConditionTest(m, y - 4)) {
                s.PC = static_cast<uint16_t>(s.PC + d);                      // MEMPTR unchanged
                Charge(12);
            } else {
                Charge(7);
            }
        }
    }

    // x = 0, z = 1 and 2             flags          T-states
    //   z=1 q=0  LD rp[p],nn         -              10 / IX,IY 14
    //   z=1 q=1  ADD HL,rp[p]        - - 5 h 3 - 0 c  11 / 15
    //   z=2 q=0  LD (BC),A  LD (DE),A  -            7
    //            LD (nn),HL          -              16 / 20
    //            LD (nn),A           -              13
    //   z=2 q=1  LD A,(BC)  LD A,(DE)  -            7
    //            LD HL,(nn)          -              16 / 20
    //            LD A,(nn)           -              13
    // MEMPTR: address + 1; the stores of A put A in its high byte.
    template <int Op, int Idx>
    KESTREL_INLINE void Load16Group() {
        constexpr int z = decode::Z(Op), p = P(Op), q = Q(Op);
        if constexpr (z == 1) {
            if constexpr (q == 0) {                                          // LD rp,nn
                SetRp<p, Idx>(FetchWord());
                Charge(Idx && p == 2 ? 14 : 10);
            } else {                                                         // ADD HL,rp
                Add16<Idx>(GetRp<p, Idx>());
                Charge(Idx ? 15 : 11);
            }
        } else if constexpr (q == 0) {
            if constexpr (p == 0 || p == 1) {                                // LD (BC),A / LD (DE),A
                const uint16_t a = p == 0 ? GetBC(s) : GetDE(s);
                Write(a, s.A);
                s.MEMPTR = static_cast<uint16_t>(s.A << 8 | ((a + 1) & 0xFF));
                Charge(7);
            } else if constexpr (p == 2) {                                   // LD (nn),HL
                const uint16_t a = FetchWord();
                WriteWord(a, GetHX<Idx>());
                s.MEMPTR = static_cast<uint16_t>(a + 1);
                Charge(Idx ? 20 : 16);
            } else {                                                         // LD (nn),A
                const uint16_t a = FetchWord();
                Write(a, s.A);
                s.MEMPTR = static_cast<uint16_t>(s.A << 8 | ((a + 1) & 0xFF));
                Charge(13);
            }
        } else {
            if constexpr (p == 0 || p == 1) {                                // LD A,(BC) / LD A,(DE)
                const uint16_t a = p == 0 ? GetBC(s) : GetDE(s);
                s.A = Read(a);
                s.MEMPTR = static_cast<uint16_t>(a + 1);
                Charge(7);
            } else if constexpr (p == 2) {                                   // LD HL,(nn)
                const uint16_t a = FetchWord();
                SetHX<Idx>(ReadWordData(a));
                s.MEMPTR = static_cast<uint16_t>(a + 1);
                Charge(Idx ? 20 : 16);
            } else {                                                         // LD A,(nn)
                const uint16_t a = FetchWord();
                s.A = Read(a);
                s.MEMPTR = static_cast<uint16_t>(a + 1);
                Charge(13);
            }
        }
    }

    // x = 0, z = 3 to 6              flags             T-states
    //   z=3  INC rp[p] / DEC rp[p]   -                 6 / IX,IY 10
    //   z=4  INC r[y]                s z 5 h 3 v 0 -   4; (HL) 11 / (IX+d) 23
    //   z=5  DEC r[y]                s z 5 h 3 v 1 -   4; (HL) 11 / (IX+d) 23
    //   z=6  LD r[y],n               -                 7; (HL) 10 / (IX+d) 19
    // LD (IX+d),n fetches d before n.
    template <int Op, int Idx>
    KESTREL_INLINE void IncDecImmediateGroup() {
        constexpr int y = Y(Op), z = decode::Z(Op), p = P(Op), q = Q(Op);
        if constexpr (z == 3) {                                              // INC rp / DEC rp
            const uint16_t v = GetRp<p, Idx>();
            SetRp<p, Idx>(static_cast<uint16_t>(q == 0 ? v + 1 : v - 1));
            Charge(Idx && p == 2 ? 10 : 6);
        } else if constexpr (z == 4 || z == 5) {                             // INC r / DEC r
            if constexpr (y == kMem) {
                const uint16_t a = MemAddress<Idx>();
                const uint8_t v = Read(a);
                Write(a, z == 4 ? Inc8(v) : Dec8(v));
                Charge(Idx ? 23 : 11);
            } else {
                const uint8_t v = GetR<y, Idx>();
                SetR<y, Idx>(z == 4 ? Inc8(v) : Dec8(v));
                Charge(4);
            }
        } else if constexpr (y == kMem) {                                    // LD (HL),n
            const uint16_t a = MemAddress<Idx>();
            Write(a, FetchByte());
            Charge(Idx ? 19 : 10);
        } else {                                                             // LD r,n
            SetR<y, Idx>(FetchByte());
            Charge(7);
        }
    }

    // x = 0, z = 7: accumulator and flags, 4 T-states each.
    //            S Z 5 H 3 P N C
    //   RLCA..   - - 5 0 3 - 0 c     y = 0-3 RLCA RRCA RLA RRA; 5,3 from the new A
    //   DAA      s z 5 h 3 p - c     y = 4
    //   CPL      - - 5 1 3 - 1 -     y = 5
    //   SCF      - - 5 0 3 - 0 1     y = 6; 5,3 from A
    //   CCF      - - 5 c 3 - 0 ~c    y = 7; 5,3 from A, H = old C
    template <int Op>
    KESTREL_INLINE void AccumulatorGroup() {
        constexpr int y = Y(Op);
        const uint8_t a = s.A;
        const uint8_t keep = s.F & (S | Z | PV);
        if constexpr (y == 0) {                                              // RLCA
            s.A = static_cast<uint8_t>(a << 1 | a >> 7);
            s.F = static_cast<uint8_t>(keep | (s.A & (F5 | F3)) | (a >> 7));
        } else if constexpr (y == 1) {                                       // RRCA
            s.A = static_cast<uint8_t>(a >> 1 | a << 7);
            s.F = static_cast<uint8_t>(keep | (s.A & (F5 | F3)) | (a & 1));
        } else if constexpr (y == 2) {                                       // RLA
            s.A = static_cast<uint8_t>(a << 1 | (s.F & C));
            s.F = static_cast<uint8_t>(keep | (s.A & (F5 | F3)) | (a >> 7));
        } else if constexpr (y == 3) {                                       // RRA
            s.A = static_cast<uint8_t>(a >> 1 | (s.F & C) << 7);
            s.F = static_cast<uint8_t>(keep | (s.A & (F5 | F3)) | (a & 1));
        } else if constexpr (y == 4) {                                       // DAA
            Daa();
        } else if constexpr (y == 5) {                                       // CPL
            s.A = static_cast<uint8_t>(~a);
            s.F = static_cast<uint8_t>((s.F & (S | Z | PV | C)) | H | N | (s.A & (F5 | F3)));
        } else if constexpr (y == 6) {                                       // SCF
            s.F = static_cast<uint8_t>(keep | C | (a & (F5 | F3)));
        } else {                                                             // CCF
            const uint8_t oldc = s.F & C;
            s.F = static_cast<uint8_t>(keep | (oldc ? H : 0) | (oldc ^ C) | (a & (F5 | F3)));
        }
        Charge(4);
    }

    // x = 1                          flags   T-states
    //   y=6 z=6  HALT                -       4, PC stays on the opcode
    //   LD r[y],r[z]                 -       4 (IXH, IXL for H, L under a prefix)
    //   LD r[y],(HL)                 -       7 / (IX+d) 19, into the real H or L
    //   LD (HL),r[z]                 -       7 / (IX+d) 19, from the real H or L
    template <int Op, int Idx>
    KESTREL_INLINE void LoadRegisterGroup() {
        constexpr int y = Y(Op), z = decode::Z(Op);
        if constexpr (y == kMem && z == kMem) {                              // HALT
            s.Halted = true;
            s.PC = static_cast<uint16_t>(s.PC - 1);                          // stay on the 76 byte
            Charge(4);
        } else if constexpr (z == kMem) {                                    // LD r,(HL)
            const uint16_t a = MemAddress<Idx>();
            Reg<y>() = Read(a);                                              // the real H and L
            Charge(Idx ? 19 : 7);
        } else if constexpr (y == kMem) {                                    // LD (HL),r
            const uint16_t a = MemAddress<Idx>();
            Write(a, Reg<z>());
            Charge(Idx ? 19 : 7);
        } else {                                                             // LD r,r'
            SetR<y, Idx>(GetR<z, Idx>());
            Charge(4);
        }
    }

    // x = 2: alu[y] A,r[z]: flags as the ALU table above (Alu); 4 T-states,
    // (HL) 7, (IX+d) 19.
    template <int Op, int Idx>
    KESTREL_INLINE void AluRegisterGroup() {
        constexpr int y = Y(Op), z = decode::Z(Op);
        if constexpr (z == kMem) {
            Alu(y, Read(MemAddress<Idx>()));
            Charge(Idx ? 19 : 7);
        } else {
            Alu(y, GetR<z, Idx>());
            Charge(4);
        }
    }

    // x = 3, z = 0 to 2            flags        T-states
    //   z=0      RET cc[y]         -            11 taken / 5
    //   z=1 q=0  POP rp2[p]        (F by POP AF) 10 / IX,IY 14
    //   z=1 q=1  p=0 RET           -            10
    //            p=1 EXX           -            4
    //            p=2 JP (HL)       -            4 / 8
    //            p=3 LD SP,HL      -            6 / 10
    //   z=2      JP cc[y],nn       -            10
    // RET and JP cc (taken or not) load MEMPTR; RET cc leaves it.
    template <int Op, int Idx>
    KESTREL_INLINE void ReturnJumpGroup() {
        constexpr int y = Y(Op), z = decode::Z(Op), p = P(Op), q = Q(Op);
        if constexpr (z == 0) {                                              // RET cc
            if (ConditionTest(m, y)) {
                s.PC = Pop();                                                // MEMPTR unchanged
                Charge(11);
            } else {
                Charge(5);
            }
        } else if constexpr (z == 2) {                                       // JP cc,nn
            const uint16_t a = FetchWord();
            s.MEMPTR = a;
            if (ConditionTest(m, y)) s.PC = a;
            Charge(10);
        } else if constexpr (q == 0) {                                       // POP rp2
            SetRp2<p, Idx>(Pop());
            Charge(Idx && p == 2 ? 14 : 10);
        } else if constexpr (p == 0) {                                       // RET
            s.PC = Pop();
            s.MEMPTR = s.PC;
            Charge(10);
        } else if constexpr (p == 1) {                                       // EXX
            uint8_t t;
            t = s.B; s.B = s.AltB; s.AltB = t;
            t = s.C; s.C = s.AltC; s.AltC = t;
            t = s.D; s.D = s.AltD; s.AltD = t;
            t = s.E; s.E = s.AltE; s.AltE = t;
            t = s.H; s.H = s.AltH; s.AltH = t;
            t = s.L; s.L = s.AltL; s.AltL = t;
            Charge(4);
        } else if constexpr (p == 2) {                                       // JP (HL)
            s.PC = GetHX<Idx>();
            Charge(Idx ? 8 : 4);
        } else {                                                             // LD SP,HL
            s.SP = GetHX<Idx>();
            Charge(Idx ? 10 : 6);
        }
    }

    // x = 3, z = 3                 flags          T-states
    //   y=0  JP nn                 -              10, MEMPTR = nn
    //   y=1  (CB prefix, dispatched before this page)
    //   y=2  OUT (n),A             -              11, port A:n
    //   y=3  IN A,(n)              -              11, port A:n
    //   y=4  EX (SP),HL            -              19 / 23, MEMPTR = new HL
    //   y=5  EX DE,HL              -              4, never IX or IY
    //   y=6  DI                    -              4, IFF = 0
    //   y=7  EI                    -              4, IFF = 4, no interrupt before the next
    template <int Op, int Idx>
    KESTREL_INLINE void PortExchangeGroup() {
        constexpr int y = Y(Op);
        if constexpr (y == 0) {                                              // JP nn
            s.PC = FetchWord();
            s.MEMPTR = s.PC;
            Charge(10);
        } else if constexpr (y == 2) {                                       // OUT (n),A
            const uint8_t n = FetchByte();
            m.IoData = s.A;
            Port(0, 1, n, s.A);
            s.MEMPTR = static_cast<uint16_t>(s.A << 8 | ((n + 1) & 0xFF));
            Charge(11);
        } else if constexpr (y == 3) {                                       // IN A,(n)
            const uint8_t n = FetchByte();
            s.MEMPTR = static_cast<uint16_t>((s.A << 8) + n + 1);
            Port(1, 0, n, s.A);
            s.A = m.IoData;                                                  // F unchanged
            Charge(11);
        } else if constexpr (y == 4) {                                       // EX (SP),HL
            const uint16_t v = ReadWordData(s.SP);
            WriteWord(s.SP, GetHX<Idx>());
            SetHX<Idx>(v);
            s.MEMPTR = v;
            Charge(Idx ? 23 : 19);
        } else if constexpr (y == 5) {                                       // EX DE,HL
            uint8_t t;
            t = s.D; s.D = s.H; s.H = t;
            t = s.E; s.E = s.L; s.L = t;
            Charge(4);
        } else if constexpr (y == 6) {                                       // DI
            s.IFF = 0;
            Charge(4);
        } else if constexpr (y == 7) {                                       // EI
            s.IFF = PV;
            s.EiPending = true;
            Charge(4);
        }
    }

    // x = 3, z = 4 to 7            flags              T-states
    //   z=4      CALL cc[y],nn     -                  17 taken / 10, MEMPTR = nn
    //   z=5 q=0  PUSH rp2[p]       -                  11 / IX,IY 15
    //   z=5 q=1  p=0 CALL nn       -                  17, MEMPTR = nn
    //            p=1, 3 (DD, FD as the opcode of a doubled prefix): nothing, 0
    //            p=2 (ED prefix, dispatched before this page)
    //   z=6      alu[y] A,n        as Alu             7
    //   z=7      RST y*8           -                  11, MEMPTR = y*8
    template <int Op, int Idx>
    KESTREL_INLINE void CallPushGroup() {
        constexpr int y = Y(Op), z = decode::Z(Op), p = P(Op), q = Q(Op);
        if constexpr (z == 4) {                                              // CALL cc,nn
            const uint16_t a = FetchWord();
            s.MEMPTR = a;
            if (ConditionTest(m, y)) {
                Push(s.PC);
                s.PC = a;
                Charge(17);
            } else {
                Charge(10);
            }
        } else if constexpr (z == 5) {
            if constexpr (q == 0) {                                          // PUSH rp2
                Push(GetRp2<p, Idx>());
                Charge(Idx && p == 2 ? 15 : 11);
            } else if constexpr (p == 0) {                                   // CALL nn
                const uint16_t a = FetchWord();
                s.MEMPTR = a;
                Push(s.PC);
                s.PC = a;
                Charge(17);
            }
        } else if constexpr (z == 6) {                                       // alu A,n
            Alu(y, FetchByte());
            Charge(7);
        } else {                                                             // RST y*8
            Push(s.PC);
            s.PC = static_cast<uint16_t>(y * 8);
            s.MEMPTR = s.PC;
            Charge(11);
        }
    }

    // ================================================================ CB page
    //   x = 0  rot y,r      s z 5 0 3 p 0 c    8 / (HL) 15
    //   x = 1  BIT y,r      * z * 1 * z 0 -    8 / (HL) 12
    //   x = 2  RES y,r      -                  8 / (HL) 15
    //   x = 3  SET y,r      -                  8 / (HL) 15
    template <int Op>
    KESTREL_INLINE void Cb() {
        constexpr int x = X(Op), y = Y(Op), z = decode::Z(Op);
        if constexpr (z == kMem) {
            const uint16_t a = GetHL(s);
            const uint8_t v = Read(a);
            if constexpr (x == 0) {
                Write(a, Rotate(y, v));
                Charge(15);
            } else if constexpr (x == 1) {
                BitMem(y, v);
                Charge(12);
            } else if constexpr (x == 2) {
                Write(a, static_cast<uint8_t>(v & ~(1u << y)));
                Charge(15);
            } else {
                Write(a, static_cast<uint8_t>(v | (1u << y)));
                Charge(15);
            }
        } else {
            uint8_t& r = Reg<z>();
            if constexpr (x == 0) r = Rotate(y, r);
            else if constexpr (x == 1) BitReg(y, r);
            else if constexpr (x == 2) r = static_cast<uint8_t>(r & ~(1u << y));
            else r = static_cast<uint8_t>(r | (1u << y));
            Charge(8);
        }
    }

    // DD CB d op / FD CB d op: d is fetched first (no R count), then op
    // (R counts). The address IX+d becomes MEMPTR. Rotates, RES and SET write
    // the result back and, for z != 6, also into register z (real H and L).
    KESTREL_INLINE void IndexedCb(uint16_t base) {
        const int8_t d = static_cast<int8_t>(FetchByte());
        s.Displacement = d;
        const uint8_t op = FetchOpcode();
        s.Opcode = op;
        const uint16_t a = static_cast<uint16_t>(base + d);
        s.MEMPTR = a;
        const int x = X(op), y = Y(op), z = decode::Z(op);
        const uint8_t v = Read(a);
        if (x == 1) {                                                        // BIT y,(IX+d)
            BitMem(y, v);
            Charge(20);
            return;
        }
        uint8_t r;
        if (x == 0) r = Rotate(y, v);
        else if (x == 2) r = static_cast<uint8_t>(v & ~(1u << y));
        else r = static_cast<uint8_t>(v | (1u << y));
        Write(a, r);
        if (z != kMem) RegDyn(static_cast<uint8_t>(z)) = r;
        Charge(23);
    }

    // ================================================================ ED page
    // Block instructions ED A0-BB: x = 2, y = 4 (I), 5 (D), 6 (IR), 7 (DR);
    // z = 0 LD, 1 CP, 2 IN, 3 OUT. Inc is +1 for the incrementing forms, -1
    // for the decrementing ones.
    //              S Z 5 H 3 P/V N C     T-states
    //   LDI LDD    - - * 0 * v   0 -     16; LDIR LDDR 21 per transfer
    //   CPI CPD    s z * h * v   1 -     16; CPIR CPDR 21 per comparison
    //   INI IND    s z 5 k 3 p   b7 k    16; INIR INDR 21 per transfer
    //   OUTI OUTD  s z 5 k 3 p   b7 k    16; OTIR OTDR 21 per transfer
    // A repeat runs its whole loop in one call. Its opcode pair is fetched
    // again for every further transfer, so R advances by 2 per transfer.
    KESTREL_INLINE void Block(int y, int z) {
        const int inc = (y & 1) ? -1 : 1;
        const bool repeat = y >= 6;
        switch (z) {
            case 0: BlockLoad(inc, repeat); break;
            case 1: BlockCompare(inc, repeat); break;
            case 2: BlockIn(inc, repeat); break;
            default: BlockOut(inc, repeat); break;
        }
    }
    // R counts 2 for each of n transfers; the fetch of ED xx counted the first.
    // n is taken modulo 256 (0 stands for 256), which R's wrap allows.
    KESTREL_INLINE void CountRepeatFetches(uint8_t n) {
        s.R = static_cast<uint8_t>(s.R + 2 * (n - 1));
    }
    // LDI/LDD:  - - * 0 * v 0 -   with n = byte + A: 5 = bit 1, 3 = bit 3
    KESTREL_INLINE void LdStep(int inc) {
        const uint8_t v = Read(GetHL(s));
        Write(GetDE(s), v);
        SetHL(s, static_cast<uint16_t>(GetHL(s) + inc));
        SetDE(s, static_cast<uint16_t>(GetDE(s) + inc));
        const uint16_t bc = static_cast<uint16_t>(GetBC(s) - 1);
        SetBC(s, bc);
        const uint8_t n = static_cast<uint8_t>(v + s.A);
        s.F = static_cast<uint8_t>((s.F & (S | Z | C)) | (bc != 0 ? PV : 0) | (n & F3) |
                                   ((n << 4) & F5));
    }
    KESTREL_INLINE void BlockLoad(int inc, bool repeat) {
        if (!repeat) {
            LdStep(inc);
            Charge(16);
            return;
        }
        const uint8_t c0 = s.C;
        if (GetBC(s) != 1) s.MEMPTR = static_cast<uint16_t>(s.PC - 1);  // the ED opcode's address + 1
        do {
            LdStep(inc);
            Charge(21);
        } while (GetBC(s) != 0);
        CountRepeatFetches(c0);
    }
    // CPI/CPD:  s z * h * v 1 -   with n = A - byte - H: 5 = bit 1, 3 = bit 3.
    // Returns true when A equalled the byte.
    KESTREL_INLINE bool CpStep(int inc) {
        const uint8_t v = Read(GetHL(s));
        SetHL(s, static_cast<uint16_t>(GetHL(s) + inc));
        const uint16_t bc = static_cast<uint16_t>(GetBC(s) - 1);
        SetBC(s, bc);
        s.MEMPTR = static_cast<uint16_t>(s.MEMPTR + inc);
        const uint8_t r = static_cast<uint8_t>(s.A - v);
        const uint8_t hf = ((s.A & 0x0F) - (v & 0x0F)) & H;
        const uint8_t n = static_cast<uint8_t>(r - (hf ? 1 : 0));
        s.F = static_cast<uint8_t>((s.F & C) | N | (r & S) | (r == 0 ? Z : 0) | hf |
                                   (bc != 0 ? PV : 0) | (n & F3) | ((n << 4) & F5));
        return r == 0;
    }
    KESTREL_INLINE void BlockCompare(int inc, bool repeat) {
        if (!repeat) {
            CpStep(inc);
            Charge(16);
            return;
        }
        const uint16_t bc0 = GetBC(s);
        const uint16_t memptr0 = s.MEMPTR;
        bool found;
        do {
            found = CpStep(inc);
            Charge(21);
        } while (!found && GetBC(s) != 0);
        if (found || bc0 == 1) {
            s.MEMPTR = static_cast<uint16_t>(memptr0 + inc);
        } else {
            s.MEMPTR = inc > 0 ? s.PC : static_cast<uint16_t>(s.PC - 2);
        }
    }
    // INI/IND and OUTI/OUTD flags:  s z 5 k 3 p b7 k
    KESTREL_INLINE void IoBlockFlags(uint8_t data, int k) {
        const uint8_t hc = k > 255 ? (H | C) : 0;
        s.F = static_cast<uint8_t>(Sz53(s.B) | ((data >> 6) & N) | hc |
                                   Parity(static_cast<uint8_t>((k & 7) ^ s.B)));
    }
    KESTREL_INLINE void InStep(int inc) {
        Port(1, 0, s.C, s.B);
        const uint8_t data = m.IoData;
        Write(GetHL(s), data);
        SetHL(s, static_cast<uint16_t>(GetHL(s) + inc));
        s.B = static_cast<uint8_t>(s.B - 1);
        IoBlockFlags(data, data + s.C + inc);  // C +/- 1 not reduced to 8 bits
    }
    KESTREL_INLINE void BlockIn(int inc, bool repeat) {
        if (!repeat) {
            s.MEMPTR = static_cast<uint16_t>(GetBC(s) + inc);
            InStep(inc);
            Charge(16);
            return;
        }
        const uint8_t b0 = s.B;
        do {
            InStep(inc);
            Charge(21);
        } while (s.B != 0);
        CountRepeatFetches(b0);
        s.MEMPTR = static_cast<uint16_t>(0x0100 + s.C + inc);
    }
    KESTREL_INLINE void OutStep(int inc) {
        s.B = static_cast<uint8_t>(s.B - 1);
        const uint8_t data = Read(GetHL(s));
        m.IoData = data;
        Port(0, 1, s.C, s.B);
        SetHL(s, static_cast<uint16_t>(GetHL(s) + inc));
        IoBlockFlags(data, data + s.L);
    }
    KESTREL_INLINE void BlockOut(int inc, bool repeat) {
        if (!repeat) {
            OutStep(inc);
            s.MEMPTR = static_cast<uint16_t>(GetBC(s) + inc);
            Charge(16);
            return;
        }
        const uint8_t b0 = s.B;
        do {
            OutStep(inc);
            Charge(21);
        } while (s.B != 0);
        CountRepeatFetches(b0);
        s.MEMPTR = static_cast<uint16_t>(s.C + inc);
    }

    // ED page: x = 1 in three groups below, x = 2 the block instructions
    // (y >= 4, z <= 3). Every other ED opcode (x = 0 or 3, and the rest of
    // x = 2) is undefined: it does nothing and charges 0 T-states.
    KESTREL_INLINE void Ed(uint8_t op) {
        const int x = X(op), y = Y(op), z = decode::Z(op);
        if (x == 2) {
            if (z <= 3 && y >= 4) Block(y, z);
        } else if (x == 1) {
            if (z <= 3) EdPortArithmetic(op);
            else if (z <= 6) EdControl(y, z);
            else EdSpecialRegisters(y);
        }
    }

    // ED, x = 1, z = 0 to 3        flags             T-states
    //   z=0  IN r[y],(C)           F unchanged       12; y = 6: IN (C), byte dropped
    //   z=1  OUT (C),r[y]          -                 12; y = 6: OUT (C),0 sends IoData as is
    //   z=2  q=0 SBC HL,rp[p]      s z 5 h 3 v 1 c   15
    //        q=1 ADC HL,rp[p]      s z 5 h 3 v 0 c   15
    //   z=3  q=0 LD (nn),rp[p]     -                 20, MEMPTR = nn + 1
    //        q=1 LD rp[p],(nn)     -                 20, MEMPTR = nn + 1
    // IN A,(C) and OUT (C),A set MEMPTR to BC + 1. Index prefixes have no effect.
    KESTREL_INLINE void EdPortArithmetic(uint8_t op) {
        const int y = Y(op), z = decode::Z(op), p = P(op), q = Q(op);
        switch (z) {
            case 0:                                                          // IN r,(C) / IN (C)
                Port(1, 0, s.C, s.B);
                if (y != kMem) RegDyn(static_cast<uint8_t>(y)) = m.IoData;
                if (y == kA) s.MEMPTR = static_cast<uint16_t>(GetBC(s) + 1);
                Charge(12);
                break;
            case 1:                                                          // OUT (C),r / OUT (C),0
                if (y != kMem) m.IoData = RegDyn(static_cast<uint8_t>(y));
                Port(0, 1, s.C, s.B);
                if (y == kA) s.MEMPTR = static_cast<uint16_t>(GetBC(s) + 1);
                Charge(12);
                break;
            case 2:                                                          // SBC/ADC HL,rp
                if (q == 0) Sbc16(GetRpDyn(static_cast<uint8_t>(p)));
                else Adc16(GetRpDyn(static_cast<uint8_t>(p)));
                Charge(15);
                break;
            default: {                                                       // LD (nn),rp / LD rp,(nn)
                const uint16_t a = FetchWord();
                if (q == 0) WriteWord(a, GetRpDyn(static_cast<uint8_t>(p)));
                else SetRpDyn(static_cast<uint8_t>(p), ReadWordData(a));
                s.MEMPTR = static_cast<uint16_t>(a + 1);
                Charge(20);
                break;
            }
        }
    }

    // ED, x = 1, z = 4 to 6        flags             T-states
    //   z=4  NEG (every y)         s z 5 h 3 v 1 c   8, as 0 - A
    //   z=5  RETN, RETI (y = 1)    -                 14, IFF = 4; RETI sets MEMPTR = PC
    //   z=6  IM im[y]              -                 8; y = 1, 5 (IM 0/1) keep the mode
    KESTREL_INLINE void EdControl(int y, int z) {
        if (z == 4) {                                                        // NEG
            const uint8_t v = s.A;
            s.A = 0;
            uint8_t r;
            s.F = static_cast<uint8_t>(Sub8Flags(v, 0, r) | (r & (F5 | F3)));
            s.A = r;
            Charge(8);
        } else if (z == 5) {                                                 // RETN / RETI
            s.PC = Pop();
            s.IFF = PV;
            if (y == 1) s.MEMPTR = s.PC;
            Charge(14);
        } else {                                                             // IM
            static constexpr int8_t kMode[8] = {0, -1, 1, 2, 0, -1, 1, 2};
            if (kMode[y] >= 0) s.IM = static_cast<uint8_t>(kMode[y]);
            Charge(8);
        }
    }

    // ED, x = 1, z = 7             flags             T-states
    //   y=0  LD I,A                -                 9
    //   y=1  LD R,A                -                 9, bit 7 kept apart in RBit7
    //   y=2  LD A,I                s z 5 0 3 iff 0 - 9
    //   y=3  LD A,R                s z 5 0 3 iff 0 - 9
    //   y=4  RRD                   s z 5 0 3 p 0 -   18, MEMPTR = HL + 1
    //   y=5  RLD                   s z 5 0 3 p 0 -   18, MEMPTR = HL + 1
    //   y=6, 7 (ED 77, ED 7F)      -                 4
    KESTREL_INLINE void EdSpecialRegisters(int y) {
        if (y == 0) {                                                        // LD I,A
            s.I = s.A;
            Charge(9);
        } else if (y == 1) {                                                 // LD R,A
            s.R = s.A;
            s.RBit7 = s.A & 0x80;
            Charge(9);
        } else if (y == 2 || y == 3) {                                       // LD A,I / LD A,R
            s.A = y == 2 ? s.I : static_cast<uint8_t>((s.R & 0x7F) | s.RBit7);
            s.F = static_cast<uint8_t>((s.F & C) | Sz53(s.A) | (s.IFF ? PV : 0));
            Charge(9);
        } else if (y == 4 || y == 5) {                                       // RRD / RLD
            const uint16_t a = GetHL(s);
            const uint8_t v = Read(a);
            if (y == 4) {
                Write(a, static_cast<uint8_t>(v >> 4 | s.A << 4));
                s.A = static_cast<uint8_t>((s.A & 0xF0) | (v & 0x0F));
            } else {
                Write(a, static_cast<uint8_t>(v << 4 | (s.A & 0x0F)));
                s.A = static_cast<uint8_t>((s.A & 0xF0) | v >> 4);
            }
            s.F = static_cast<uint8_t>((s.F & C) | Sz53(s.A) | Parity(s.A));
            s.MEMPTR = static_cast<uint16_t>(a + 1);
            Charge(18);
        } else {                                                             // ED 77, ED 7F
            Charge(4);
        }
    }

    // ============================================================== dispatch
#define KESTREL_C1(n, F) \
    case (n): F<(n)>(); break;
#define KESTREL_C4(n, F) KESTREL_C1(n, F) KESTREL_C1(n + 1, F) KESTREL_C1(n + 2, F) KESTREL_C1(n + 3, F)
#define KESTREL_C16(n, F) KESTREL_C4(n, F) KESTREL_C4(n + 4, F) KESTREL_C4(n + 8, F) KESTREL_C4(n + 12, F)
#define KESTREL_C64(n, F) KESTREL_C16(n, F) KESTREL_C16(n + 16, F) KESTREL_C16(n + 32, F) KESTREL_C16(n + 48, F)
#define KESTREL_C256(F) KESTREL_C64(0, F) KESTREL_C64(64, F) KESTREL_C64(128, F) KESTREL_C64(192, F)

    template <int Op> KESTREL_INLINE void MainHL() { Main<Op, 0>(); }
    template <int Op> KESTREL_INLINE void MainIX() { Main<Op, 1>(); }
    template <int Op> KESTREL_INLINE void MainIY() { Main<Op, 2>(); }

    KESTREL_INLINE void DispatchCb() {
        const uint8_t op = FetchOpcode();
        s.Opcode = op;
        switch (op) { KESTREL_C256(Cb) }
    }

    KESTREL_INLINE void Step() {
        s.EiPending = false;
        uint8_t op = FetchOpcode();
        // Fast path: no prefix at all.
        if (__builtin_expect(op != 0xDD && op != 0xFD && op != 0xCB && op != 0xED, 1)) {
            s.Opcode = op;
            s.PrefixIX = false;
            s.PrefixIY = false;
            switch (op) { KESTREL_C256(MainHL) }
            return;
        }
        s.PrefixIX = op == 0xDD;
        if (s.PrefixIX) op = FetchOpcode();
        s.PrefixIY = op == 0xFD;
        if (s.PrefixIY) op = FetchOpcode();
        s.Opcode = op;
        if (op == 0xED) {                            // index prefixes have no effect here
            const uint8_t e = FetchOpcode();
            s.Opcode = e;
            Ed(e);
            return;
        }
        if (s.PrefixIX) {
            if (op == 0xCB) IndexedCb(s.IX);
            else switch (op) { KESTREL_C256(MainIX) }
        } else if (s.PrefixIY) {
            if (op == 0xCB) IndexedCb(s.IY);
            else switch (op) { KESTREL_C256(MainIY) }
        } else if (op == 0xCB) {
            DispatchCb();
        }
        // An unprefixed DD or FD here is the second byte of a doubled prefix
        // (FD DD, DD DD, FD FD or DD FD FD): it executes nothing, 0 T-states.
    }

#undef KESTREL_C1
#undef KESTREL_C4
#undef KESTREL_C16
#undef KESTREL_C64
#undef KESTREL_C256
};

}  // namespace exec

template <class Hooks>
inline void ExecuteWith(Processor& m, Hooks& h) {
    exec::Core<Hooks> core(m, h);
    core.Step();
}

}  // namespace kestrel
