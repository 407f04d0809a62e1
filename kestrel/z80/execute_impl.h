// The one source of kestrel's instruction semantics.
//
//   template <class Hooks> void ExecuteWith(MachineRecord& m, Hooks& h)
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
//     void Port(MachineRecord& m, uint8_t read, uint8_t write, uint8_t lo, uint8_t hi);
// which then replaces PortAccess for every byte of every IN and OUT (the
// instruction still passes the byte through IoData). Without it the board's
// PortAccess is called.
//
// ExecuteInstruction (cpu.cpp) instantiates this with empty inline hooks, so
// the plain step pays nothing for them; the traced step instantiates it with
// hooks that record the fetched bytes. Everything here is inline so that each
// instantiation is one flat function with constant-folded decode fields.
//
// Opcodes are decoded by the fields x (bits 7-6), y (5-3), z (2-0),
// p = y >> 1, q = y & 1, and operands named by the tables
//   r:   B C D E H L (HL) A          rp:  BC DE HL SP      rp2: BC DE HL AF
//   cc:  NZ Z NC C PO PE P M         alu: ADD ADC SUB SBC AND XOR OR CP
//   rot: RLC RRC RL RR SLA SRA SLL SRL
// Each unprefixed opcode is a template instantiation Main<op, idx> with idx
// 0 = HL, 1 = IX, 2 = IY, so the decode of an opcode happens at compile time.
#pragma once

#include <cstdint>

#include "kestrel/board/ppi.h"
#include "kestrel/z80/cpu.h"
#include "kestrel/z80/machine.h"

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

// Decode fields.
constexpr uint8_t X(uint8_t op) { return op >> 6; }
constexpr uint8_t Y(uint8_t op) { return (op >> 3) & 7; }
constexpr uint8_t Zf(uint8_t op) { return op & 7; }
constexpr uint8_t P(uint8_t op) { return (op >> 4) & 3; }
constexpr uint8_t Q(uint8_t op) { return (op >> 3) & 1; }

// r-codes
enum : uint8_t { kB = 0, kC = 1, kD = 2, kE = 3, kH = 4, kL = 5, kMem = 6, kA = 7 };

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
    MachineRecord& m;
    Z80State& s;
    Hooks& h;

    KESTREL_INLINE Core(MachineRecord& machine, Hooks& hooks) : m(machine), s(machine.Cpu), h(hooks) {}

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
        if constexpr (requires { h.Port(m, read, write, lo, hi); }) {
            h.Port(m, read, write, lo, hi);
        } else {
            PortAccess(m, read, write, lo, hi);
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

    // ---------------------------------------------------------------- stack
    KESTREL_INLINE void Push(uint16_t v) { PushWord(m, v); }
    KESTREL_INLINE uint16_t Pop() { return PopWord(m); }
    KESTREL_INLINE void Write(uint16_t a, uint8_t v) { WriteByte(m, a, v); }
    KESTREL_INLINE uint8_t Read(uint16_t a) { return m.MemoryImage[a]; }
    KESTREL_INLINE void WriteWord(uint16_t a, uint16_t v) {
        Write(a, static_cast<uint8_t>(v));
        Write(static_cast<uint16_t>(a + 1), static_cast<uint8_t>(v >> 8));
    }

    // ======================================================== unprefixed page
    //   x = 0  z: 0 NOP, EX AF,AF', DJNZ, JR, JR cc   1 LD rp,nn / ADD HL,rp
    //             2 indirect loads   3 INC/DEC rp   4 INC r   5 DEC r
    //             6 LD r,n   7 RLCA RRCA RLA RRA DAA CPL SCF CCF
    //   x = 1  LD r,r' (76 is HALT)
    //   x = 2  alu A,r
    //   x = 3  z: 0 RET cc   1 POP rp2, RET, EXX, JP (HL), LD SP,HL   2 JP cc,nn
    //             3 JP nn, OUT (n),A, IN A,(n), EX (SP),HL, EX DE,HL, DI, EI
    //             4 CALL cc,nn   5 PUSH rp2, CALL nn   6 alu A,n   7 RST y*8
    template <int Op, int Idx>
    KESTREL_INLINE void Main() {
        constexpr int x = X(Op), y = Y(Op), z = Zf(Op), p = P(Op), q = Q(Op);
        // Index forms that replace H, L or (HL) charge their own counts; the
        // prefix itself charges nothing.
        if constexpr (x == 0) {
            if constexpr (z == 0) {
                if constexpr (y == 0) {                                      // NOP
                    Charge(4);
                } else if constexpr (y == 1) {                               // EX AF,AF'
                    uint8_t t = s.A; s.A = s.AltA; s.AltA = t;
                    t = s.F; s.F = s.AltF; s.AltF = t;
                    Charge(4);
                } else if constexpr (y == 2) {                               // DJNZ d
                    const int8_t d = static_cast<int8_t>(FetchByte());
                    s.B = static_cast<uint8_t>(s.B - 1);
                    if (s.B != 0) {
                        s.PC = static_cast<uint16_t>(s.PC + d);
                        s.MEMPTR = s.PC;
                        Charge(13);
                    } else {
                        Charge(8);
                    }
                } else if constexpr (y == 3) {                               // JR d
                    const int8_t d = static_cast<int8_t>(FetchByte());
                    s.PC = static_cast<uint16_t>(s.PC + d);
                    s.MEMPTR = s.PC;
                    Charge(12);
                } else {                                                     // JR cc,d
                    const int8_t d = static_cast<int8_t>(FetchByte());
                    if (ConditionTest(m, y - 4)) {
                        s.PC = static_cast<uint16_t>(s.PC + d);              // MEMPTR unchanged
                        Charge(12);
                    } else {
                        Charge(7);
                    }
                }
            } else if constexpr (z == 1) {
                if constexpr (q == 0) {                                      // LD rp,nn
                    SetRp<p, Idx>(FetchWord());
                    Charge(Idx && p == 2 ? 14 : 10);
                } else {                                                     // ADD HL,rp
                    Add16<Idx>(GetRp<p, Idx>());
                    Charge(Idx ? 15 : 11);
                }
            } else if constexpr (z == 2) {
                if constexpr (q == 0) {
                    if constexpr (p == 0 || p == 1) {                        // LD (BC),A / LD (DE),A
                        const uint16_t a = p == 0 ? GetBC(s) : GetDE(s);
                        Write(a, s.A);
                        s.MEMPTR = static_cast<uint16_t>(s.A << 8 | ((a + 1) & 0xFF));
                        Charge(7);
                    } else if constexpr (p == 2) {                           // LD (nn),HL
                        const uint16_t a = FetchWord();
                        WriteWord(a, GetHX<Idx>());
                        s.MEMPTR = static_cast<uint16_t>(a + 1);
                        Charge(Idx ? 20 : 16);
                    } else {                                                 // LD (nn),A
                        const uint16_t a = FetchWord();
                        Write(a, s.A);
                        s.MEMPTR = static_cast<uint16_t>(s.A << 8 | ((a + 1) & 0xFF));
                        Charge(13);
                    }
                } else {
                    if constexpr (p == 0 || p == 1) {                        // LD A,(BC) / LD A,(DE)
                        const uint16_t a = p == 0 ? GetBC(s) : GetDE(s);
                        s.A = Read(a);
                        s.MEMPTR = static_cast<uint16_t>(a + 1);
                        Charge(7);
                    } else if constexpr (p == 2) {                           // LD HL,(nn)
                        const uint16_t a = FetchWord();
                        SetHX<Idx>(ReadWord(m, a));
                        s.MEMPTR = static_cast<uint16_t>(a + 1);
                        Charge(Idx ? 20 : 16);
                    } else {                                                 // LD A,(nn)
                        const uint16_t a = FetchWord();
                        s.A = Read(a);
                        s.MEMPTR = static_cast<uint16_t>(a + 1);
                        Charge(13);
                    }
                }
            } else if constexpr (z == 3) {                                   // INC rp / DEC rp
                const uint16_t v = GetRp<p, Idx>();
                SetRp<p, Idx>(static_cast<uint16_t>(q == 0 ? v + 1 : v - 1));
                Charge(Idx && p == 2 ? 10 : 6);
            } else if constexpr (z == 4 || z == 5) {                         // INC r / DEC r
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
            } else if constexpr (z == 6) {                                   // LD r,n
                if constexpr (y == kMem) {
                    const uint16_t a = MemAddress<Idx>();                    // d before n
                    Write(a, FetchByte());
                    Charge(Idx ? 19 : 10);
                } else {
                    SetR<y, Idx>(FetchByte());
                    Charge(7);
                }
            } else {
                // Accumulator and flag group, 4 T-states each.
                //          S Z 5 H 3 P N C
                // RLCA..   - - 5 0 3 - 0 c     (5,3 from the new A)
                // DAA      s z 5 h 3 p - c
                // CPL      - - 5 1 3 - 1 -
                // SCF      - - 5 0 3 - 0 1     (5,3 from A)
                // CCF      - - 5 c 3 - 0 ~c    (5,3 from A)
                const uint8_t a = s.A;
                const uint8_t keep = s.F & (S | Z | PV);
                if constexpr (y == 0) {                                      // RLCA
                    s.A = static_cast<uint8_t>(a << 1 | a >> 7);
                    s.F = static_cast<uint8_t>(keep | (s.A & (F5 | F3)) | (a >> 7));
                } else if constexpr (y == 1) {                               // RRCA
                    s.A = static_cast<uint8_t>(a >> 1 | a << 7);
                    s.F = static_cast<uint8_t>(keep | (s.A & (F5 | F3)) | (a & 1));
                } else if constexpr (y == 2) {                               // RLA
                    s.A = static_cast<uint8_t>(a << 1 | (s.F & C));
                    s.F = static_cast<uint8_t>(keep | (s.A & (F5 | F3)) | (a >> 7));
                } else if constexpr (y == 3) {                               // RRA
                    s.A = static_cast<uint8_t>(a >> 1 | (s.F & C) << 7);
                    s.F = static_cast<uint8_t>(keep | (s.A & (F5 | F3)) | (a & 1));
                } else if constexpr (y == 4) {                               // DAA
                    Daa();
                } else if constexpr (y == 5) {                               // CPL
                    s.A = static_cast<uint8_t>(~a);
                    s.F = static_cast<uint8_t>((s.F & (S | Z | PV | C)) | H | N | (s.A & (F5 | F3)));
                } else if constexpr (y == 6) {                               // SCF
                    s.F = static_cast<uint8_t>(keep | C | (a & (F5 | F3)));
                } else {                                                     // CCF
                    const uint8_t oldc = s.F & C;
                    s.F = static_cast<uint8_t>(keep | (oldc ? H : 0) | (oldc ^ C) | (a & (F5 | F3)));
                }
                Charge(4);
            }
        } else if constexpr (x == 1) {
            if constexpr (y == kMem && z == kMem) {                          // HALT
                s.Halted = true;
                s.PC = static_cast<uint16_t>(s.PC - 1);                      // stay on the 76 byte
                Charge(4);
            } else if constexpr (z == kMem) {                                // LD r,(HL)
                const uint16_t a = MemAddress<Idx>();
                Reg<y>() = Read(a);                                          // the real H and L
                Charge(Idx ? 19 : 7);
            } else if constexpr (y == kMem) {                                // LD (HL),r
                const uint16_t a = MemAddress<Idx>();
                Write(a, Reg<z>());
                Charge(Idx ? 19 : 7);
            } else {                                                         // LD r,r'
                SetR<y, Idx>(GetR<z, Idx>());
                Charge(4);
            }
        } else if constexpr (x == 2) {                                       // alu A,r
            if constexpr (z == kMem) {
                Alu(y, Read(MemAddress<Idx>()));
                Charge(Idx ? 19 : 7);
            } else {
                Alu(y, GetR<z, Idx>());
                Charge(4);
            }
        } else {
            if constexpr (z == 0) {                                          // RET cc
                if (ConditionTest(m, y)) {
                    s.PC = Pop();                                            // MEMPTR unchanged
                    Charge(11);
                } else {
                    Charge(5);
                }
            } else if constexpr (z == 1) {
                if constexpr (q == 0) {                                      // POP rp2
                    SetRp2<p, Idx>(Pop());
                    Charge(Idx && p == 2 ? 14 : 10);
                } else if constexpr (p == 0) {                               // RET
                    s.PC = Pop();
                    s.MEMPTR = s.PC;
                    Charge(10);
                } else if constexpr (p == 1) {                               // EXX
                    uint8_t t;
                    t = s.B; s.B = s.AltB; s.AltB = t;
                    t = s.C; s.C = s.AltC; s.AltC = t;
                    t = s.D; s.D = s.AltD; s.AltD = t;
                    t = s.E; s.E = s.AltE; s.AltE = t;
                    t = s.H; s.H = s.AltH; s.AltH = t;
                    t = s.L; s.L = s.AltL; s.AltL = t;
                    Charge(4);
                } else if constexpr (p == 2) {                               // JP (HL)
                    s.PC = GetHX<Idx>();
                    Charge(Idx ? 8 : 4);
                } else {                                                     // LD SP,HL
                    s.SP = GetHX<Idx>();
                    Charge(Idx ? 10 : 6);
                }
            } else if constexpr (z == 2) {                                   // JP cc,nn
                const uint16_t a = FetchWord();
                s.MEMPTR = a;
                if (ConditionTest(m, y)) s.PC = a;
                Charge(10);
            } else if constexpr (z == 3) {
                if constexpr (y == 0) {                                      // JP nn
                    s.PC = FetchWord();
                    s.MEMPTR = s.PC;
                    Charge(10);
                } else if constexpr (y == 2) {                               // OUT (n),A
                    const uint8_t n = FetchByte();
                    m.IoData = s.A;
                    Port(0, 1, n, s.A);
                    s.MEMPTR = static_cast<uint16_t>(s.A << 8 | ((n + 1) & 0xFF));
                    Charge(11);
                } else if constexpr (y == 3) {                               // IN A,(n)
                    const uint8_t n = FetchByte();
                    s.MEMPTR = static_cast<uint16_t>((s.A << 8) + n + 1);
                    Port(1, 0, n, s.A);
                    s.A = m.IoData;                                          // F unchanged
                    Charge(11);
                } else if constexpr (y == 4) {                               // EX (SP),HL
                    const uint16_t v = ReadWord(m, s.SP);
                    WriteWord(s.SP, GetHX<Idx>());
                    SetHX<Idx>(v);
                    s.MEMPTR = v;
                    Charge(Idx ? 23 : 19);
                } else if constexpr (y == 5) {                               // EX DE,HL (never IX)
                    uint8_t t;
                    t = s.D; s.D = s.H; s.H = t;
                    t = s.E; s.E = s.L; s.L = t;
                    Charge(4);
                } else if constexpr (y == 6) {                               // DI
                    s.IFF = 0;
                    Charge(4);
                } else if constexpr (y == 7) {                               // EI
                    s.IFF = PV;
                    s.EiPending = true;
                    Charge(4);
                }
                // y == 1 (CB) is dispatched before this page.
            } else if constexpr (z == 4) {                                   // CALL cc,nn
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
                if constexpr (q == 0) {                                      // PUSH rp2
                    Push(GetRp2<p, Idx>());
                    Charge(Idx && p == 2 ? 15 : 11);
                } else if constexpr (p == 0) {                               // CALL nn
                    const uint16_t a = FetchWord();
                    s.MEMPTR = a;
                    Push(s.PC);
                    s.PC = a;
                    Charge(17);
                }
                // p == 1, 3 (DD, FD as the opcode of a doubled prefix): nothing,
                // 0 T-states. p == 2 (ED) is dispatched before this page.
            } else if constexpr (z == 6) {                                   // alu A,n
                Alu(y, FetchByte());
                Charge(7);
            } else {                                                         // RST y*8
                Push(s.PC);
                s.PC = static_cast<uint16_t>(y * 8);
                s.MEMPTR = s.PC;
                Charge(11);
            }
        }
    }

    // ================================================================ CB page
    //   x = 0  rot y,r      s z 5 0 3 p 0 c    8 / (HL) 15
    //   x = 1  BIT y,r      * z * 1 * z 0 -    8 / (HL) 12
    //   x = 2  RES y,r      -                  8 / (HL) 15
    //   x = 3  SET y,r      -                  8 / (HL) 15
    template <int Op>
    KESTREL_INLINE void Cb() {
        constexpr int x = X(Op), y = Y(Op), z = Zf(Op);
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
        const int x = X(op), y = Y(op), z = Zf(op);
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
    // Block step helpers. Inc is +1 for the incrementing forms, -1 otherwise.
    KESTREL_INLINE void LdStep(int inc) {
        const uint8_t v = Read(GetHL(s));
        Write(GetDE(s), v);
        SetHL(s, static_cast<uint16_t>(GetHL(s) + inc));
        SetDE(s, static_cast<uint16_t>(GetDE(s) + inc));
        const uint16_t bc = static_cast<uint16_t>(GetBC(s) - 1);
        SetBC(s, bc);
        // LDI/LDD:  - - * 0 * v 0 -   with n = v + A: 5 = bit 1, 3 = bit 3
        const uint8_t n = static_cast<uint8_t>(v + s.A);
        s.F = static_cast<uint8_t>((s.F & (S | Z | C)) | (bc != 0 ? PV : 0) | (n & F3) |
                                   ((n << 4) & F5));
    }
    // Returns true when A equalled the byte.
    KESTREL_INLINE bool CpStep(int inc) {
        const uint8_t v = Read(GetHL(s));
        SetHL(s, static_cast<uint16_t>(GetHL(s) + inc));
        const uint16_t bc = static_cast<uint16_t>(GetBC(s) - 1);
        SetBC(s, bc);
        s.MEMPTR = static_cast<uint16_t>(s.MEMPTR + inc);
        // CPI/CPD:  s z * h * v 1 -   with n = A - v - H: 5 = bit 1, 3 = bit 3
        const uint8_t r = static_cast<uint8_t>(s.A - v);
        const uint8_t hf = ((s.A & 0x0F) - (v & 0x0F)) & H;
        const uint8_t n = static_cast<uint8_t>(r - (hf ? 1 : 0));
        s.F = static_cast<uint8_t>((s.F & C) | N | (r & S) | (r == 0 ? Z : 0) | hf |
                                   (bc != 0 ? PV : 0) | (n & F3) | ((n << 4) & F5));
        return r == 0;
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
    KESTREL_INLINE void OutStep(int inc) {
        s.B = static_cast<uint8_t>(s.B - 1);
        const uint8_t data = Read(GetHL(s));
        m.IoData = data;
        Port(0, 1, s.C, s.B);
        SetHL(s, static_cast<uint16_t>(GetHL(s) + inc));
        IoBlockFlags(data, data + s.L);
    }

    // Block instructions ED A0-BB: y = 4 (I), 5 (D), 6 (IR), 7 (DR);
    // z = 0 LD, 1 CP, 2 IN, 3 OUT. Repeats run their whole loop here at 21
    // T-states per iteration; the single forms charge 16.
    KESTREL_INLINE void Block(int y, int z) {
        const int inc = (y & 1) ? -1 : 1;
        const bool repeat = y >= 6;
        const uint16_t start = static_cast<uint16_t>(s.PC - 1);  // the ED opcode's own address + 1
        switch (z) {
            case 0:
                if (!repeat) {
                    LdStep(inc);
                    Charge(16);
                } else {
                    const uint8_t c0 = s.C;
                    if (GetBC(s) != 1) s.MEMPTR = start;
                    do {
                        LdStep(inc);
                        Charge(21);
                    } while (GetBC(s) != 0);
                    s.R = static_cast<uint8_t>(s.R + 2 * (c0 - 1));
                }
                break;
            case 1:
                if (!repeat) {
                    CpStep(inc);
                    Charge(16);
                } else {
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
                break;
            case 2:
                if (!repeat) {
                    s.MEMPTR = static_cast<uint16_t>(GetBC(s) + inc);
                    InStep(inc);
                    Charge(16);
                } else {
                    do {
                        InStep(inc);
                        Charge(21);
                    } while (s.B != 0);
                    s.MEMPTR = static_cast<uint16_t>(0x0100 + s.C + inc);
                }
                break;
            default:
                if (!repeat) {
                    OutStep(inc);
                    s.MEMPTR = static_cast<uint16_t>(GetBC(s) + inc);
                    Charge(16);
                } else {
                    do {
                        OutStep(inc);
                        Charge(21);
                    } while (s.B != 0);
                    s.MEMPTR = static_cast<uint16_t>(s.C + inc);
                }
                break;
        }
    }

    // ED page, x = 1, by z:
    //   0 IN r,(C) / IN (C)    F unchanged            12
    //   1 OUT (C),r / (C),0    -                      12
    //   2 SBC/ADC HL,rp        s z 5 h 3 v n c        15
    //   3 LD (nn),rp / rp,(nn) -                      20
    //   4 NEG                  s z 5 h 3 v 1 c         8
    //   5 RETN / RETI          - (IFF = 4)            14
    //   6 IM 0/-/1/2           -                       8
    //   7 LD I,A  LD R,A       -                       9
    //     LD A,I  LD A,R       s z 5 0 3 iff 0 -       9
    //     RRD  RLD             s z 5 0 3 p 0 -        18
    //     ED 77, ED 7F         -                       4
    // x = 2: block instructions (y >= 4, z <= 3), else undefined; x = 0, 3:
    // undefined. Undefined opcodes do nothing and charge 0.
    KESTREL_INLINE void Ed(uint8_t op) {
        const int x = X(op), y = Y(op), z = Zf(op), p = P(op), q = Q(op);
        if (x == 2) {
            if (z <= 3 && y >= 4) Block(y, z);
            return;  // other x = 2 slots: undefined, nothing, 0 T-states
        }
        if (x != 1) return;  // ED 00-3F, C0-FF: undefined, nothing, 0 T-states
        switch (z) {
            case 0:                                                          // IN r,(C) / IN (C)
                Port(1, 0, s.C, s.B);
                if (y != kMem) RegDyn(static_cast<uint8_t>(y)) = m.IoData;   // F unchanged
                if (y == kA) s.MEMPTR = static_cast<uint16_t>(GetBC(s) + 1);
                Charge(12);
                break;
            case 1:                                                          // OUT (C),r / OUT (C),0
                if (y != kMem) m.IoData = RegDyn(static_cast<uint8_t>(y));   // (C),0 sends IoData as is
                Port(0, 1, s.C, s.B);
                if (y == kA) s.MEMPTR = static_cast<uint16_t>(GetBC(s) + 1);
                Charge(12);
                break;
            case 2:                                                          // SBC/ADC HL,rp
                if (q == 0) Sbc16(GetRpDyn(static_cast<uint8_t>(p)));
                else Adc16(GetRpDyn(static_cast<uint8_t>(p)));
                Charge(15);
                break;
            case 3: {                                                        // LD (nn),rp / LD rp,(nn)
                const uint16_t a = FetchWord();
                if (q == 0) WriteWord(a, GetRpDyn(static_cast<uint8_t>(p)));
                else SetRpDyn(static_cast<uint8_t>(p), ReadWord(m, a));
                s.MEMPTR = static_cast<uint16_t>(a + 1);
                Charge(20);
                break;
            }
            case 4: {                                                        // NEG
                // s z 5 h 3 v 1 c, as 0 - A
                const uint8_t v = s.A;
                s.A = 0;
                uint8_t r;
                s.F = static_cast<uint8_t>(Sub8Flags(v, 0, r) | (r & (F5 | F3)));
                s.A = r;
                Charge(8);
                break;
            }
            case 5:                                                          // RETN / RETI
                s.PC = Pop();
                s.IFF = PV;
                if (y == 1) s.MEMPTR = s.PC;
                Charge(14);
                break;
            case 6: {                                                        // IM
                static constexpr int8_t kMode[8] = {0, -1, 1, 2, 0, -1, 1, 2};
                if (kMode[y] >= 0) s.IM = static_cast<uint8_t>(kMode[y]);
                Charge(8);
                break;
            }
            default:
                switch (y) {
                    case 0: s.I = s.A; Charge(9); break;                     // LD I,A
                    case 1:                                                  // LD R,A
                        s.R = s.A;
                        s.RBit7 = s.A & 0x80;
                        Charge(9);
                        break;
                    case 2:                                                  // LD A,I
                    case 3:                                                  // LD A,R
                        // - - - 0 - iff 0 -  with S Z 5 3 of the new A
                        s.A = y == 2 ? s.I : static_cast<uint8_t>((s.R & 0x7F) | s.RBit7);
                        s.F = static_cast<uint8_t>((s.F & C) | Sz53(s.A) | (s.IFF ? PV : 0));
                        Charge(9);
                        break;
                    case 4:                                                  // RRD
                    case 5: {                                                // RLD
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
                        break;
                    }
                    default:                                                 // ED 77, ED 7F
                        Charge(4);
                        break;
                }
                break;
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
inline void ExecuteWith(MachineRecord& m, Hooks& h) {
    exec::Core<Hooks> core(m, h);
    core.Step();
}

}  // namespace kestrel
