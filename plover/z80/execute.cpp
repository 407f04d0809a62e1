// plover's instruction executor.
//
// Opcodes are decoded by the fields x (bits 7-6), y (bits 5-3), z (bits 2-0),
// p = y >> 1 and q = y & 1, with the operand tables r (B C D E H L (HL) A),
// rp (BC DE HL SP), rp2 (BC DE HL AF), cc (NZ Z NC C PO PE P M) and alu
// (ADD ADC SUB SBC AND XOR OR CP). Each opcode is a template instance, so the
// decoding is done by the compiler and the dispatch is one jump per prefix.
//
// DD and FD share one body: the unprefixed template with Indexed = true reads
// ID (loaded from IX or IY before, stored back after) instead of HL, ID's
// halves instead of H and L, and (ID+d) instead of (HL).
//
// Flag notation in the group comments: s z 5 h 3 p n c, each one of
//   * computed, 0 reset, 1 set, . unchanged, P parity, V overflow, I IFF2.
#include <string>

#include "plover/z80/cpu.h"
#include "plover/z80/memory_access.h"
#include "plover/z80/messages.h"

namespace plover {
namespace {

using detail::ReadB;
using detail::ReadW;
using detail::WriteB;
using detail::WriteW;

Z80RegisterSet& R = Z80Registers;

// ---------------------------------------------------------------------------
// Small helpers
// ---------------------------------------------------------------------------

// High byte of a 16-bit value: the same as HighByteTable[w], done with a shift.
inline uint8_t Hi(uint16_t w) { return static_cast<uint8_t>(w >> 8); }
inline uint8_t Lo(uint16_t w) { return static_cast<uint8_t>(w); }
inline uint16_t Word(uint8_t high, uint8_t low) { return static_cast<uint16_t>(high << 8 | low); }
inline void SetHi(uint16_t& w, uint8_t v) { w = static_cast<uint16_t>((w & 0x00FF) | v << 8); }
inline void SetLo(uint16_t& w, uint8_t v) { w = static_cast<uint16_t>((w & 0xFF00) | v); }

inline uint8_t FetchB() {
    const uint8_t v = ReadB(R.PC);
    R.PC = static_cast<uint16_t>(R.PC + 1);
    return v;
}
inline uint16_t FetchW() {
    const uint16_t v = ReadW(R.PC);
    R.PC = static_cast<uint16_t>(R.PC + 2);
    return v;
}
inline void Push(uint16_t v) {
    R.SP = static_cast<uint16_t>(R.SP - 2);
    WriteW(R.SP, v);
}
inline uint16_t Pop() {
    const uint16_t v = ReadW(R.SP);
    R.SP = static_cast<uint16_t>(R.SP + 2);
    return v;
}

// The HL of an instruction: HL itself, or ID under a DD/FD prefix.
template <bool Indexed>
inline uint16_t& HLReg() {
    if constexpr (Indexed) return R.ID; else return R.HL;
}

// The address of an (HL) operand: HL, or ID + d with d fetched now.
template <bool Indexed>
inline uint16_t OperandAddress() {
    if constexpr (Indexed) {
        const int8_t d = static_cast<int8_t>(FetchB());
        return static_cast<uint16_t>(R.ID + d);
    } else {
        return R.HL;
    }
}

// r table, index 6 ((HL)) excluded. Under DD/FD, H and L are ID's halves.
template <int I, bool Indexed>
inline uint8_t GetR() {
    static_assert(I != 6);
    if constexpr (I == 0) return R.B;
    else if constexpr (I == 1) return R.C;
    else if constexpr (I == 2) return Hi(R.DE);
    else if constexpr (I == 3) return Lo(R.DE);
    else if constexpr (I == 4) return Hi(HLReg<Indexed>());
    else if constexpr (I == 5) return Lo(HLReg<Indexed>());
    else return R.A;
}
template <int I, bool Indexed>
inline void SetR(uint8_t v) {
    static_assert(I != 6);
    if constexpr (I == 0) R.B = v;
    else if constexpr (I == 1) R.C = v;
    else if constexpr (I == 2) SetHi(R.DE, v);
    else if constexpr (I == 3) SetLo(R.DE, v);
    else if constexpr (I == 4) SetHi(HLReg<Indexed>(), v);
    else if constexpr (I == 5) SetLo(HLReg<Indexed>(), v);
    else R.A = v;
}

// rp table: BC DE HL SP.
template <int P, bool Indexed>
inline uint16_t GetRP() {
    if constexpr (P == 0) return Word(R.B, R.C);
    else if constexpr (P == 1) return R.DE;
    else if constexpr (P == 2) return HLReg<Indexed>();
    else return R.SP;
}
template <int P, bool Indexed>
inline void SetRP(uint16_t v) {
    if constexpr (P == 0) { R.B = Hi(v); R.C = Lo(v); }
    else if constexpr (P == 1) R.DE = v;
    else if constexpr (P == 2) HLReg<Indexed>() = v;
    else R.SP = v;
}
// rp2 table: BC DE HL AF.
template <int P, bool Indexed>
inline uint16_t GetRP2() {
    if constexpr (P == 3) return Word(R.A, GetF());
    else return GetRP<P, Indexed>();
}
template <int P, bool Indexed>
inline void SetRP2(uint16_t v) {
    if constexpr (P == 3) { R.A = Hi(v); SetF(Lo(v)); }
    else SetRP<P, Indexed>(v);
}

// cc table: NZ Z NC C PO PE P M.
template <int Y>
inline bool Condition() {
    if constexpr (Y == 0) return !R.Z;
    else if constexpr (Y == 1) return R.Z;
    else if constexpr (Y == 2) return !R.CY;
    else if constexpr (Y == 3) return R.CY;
    else if constexpr (Y == 4) return !R.PV;
    else if constexpr (Y == 5) return R.PV;
    else if constexpr (Y == 6) return !R.S;
    else return R.S;
}

// ---------------------------------------------------------------------------
// Flag helpers, one per family
// ---------------------------------------------------------------------------

constexpr unsigned SignBit = 0x80, Bit5 = 0x20, HalfBit = 0x10, Bit3 = 0x08;

// S, Z, F5 and F3 from an 8-bit result.
inline void FlagsSZ53(uint8_t v) {
    R.S = v & SignBit;  // s
    R.Z = v == 0;       // z
    R.F5 = v & Bit5;    // 5
    R.F3 = v & Bit3;    // 3
}

// ADD/ADC A,v          s z 5 h 3 V 0 c
[[gnu::always_inline]] inline void Add8(uint8_t v, unsigned carry) {
    const unsigned a = R.A, res = a + v + carry;
    R.H = (a ^ v ^ res) & HalfBit;                 // h: carry out of bit 3
    R.PV = (a ^ ~static_cast<unsigned>(v)) & (a ^ res) & SignBit;  // V
    R.N = false;                                   // n
    R.CY = res > 0xFF;                             // c
    R.A = static_cast<uint8_t>(res);
    FlagsSZ53(R.A);
}

// SUB/SBC A,v and CP v  s z 5 h 3 V 1 c; CP takes F5 and F3 from the operand
// (not from the difference) and leaves A alone.
template <bool Compare>
[[gnu::always_inline]] inline void Sub8(uint8_t v, unsigned carry) {
    const unsigned a = R.A, res = a - v - carry;
    const uint8_t r = static_cast<uint8_t>(res);
    R.S = r & SignBit;                             // s
    R.Z = r == 0;                                  // z
    R.H = (a ^ v ^ res) & HalfBit;                 // h: borrow from bit 4
    R.PV = (a ^ v) & (a ^ res) & SignBit;          // V
    R.N = true;                                    // n
    R.CY = res & 0x100;                            // c: borrow
    if constexpr (Compare) {
        R.F5 = v & Bit5;                           // 5 from the operand
        R.F3 = v & Bit3;                           // 3 from the operand
    } else {
        R.F5 = r & Bit5;
        R.F3 = r & Bit3;
        R.A = r;
    }
}

// AND/XOR/OR v         s z 5 h 3 P 0 0 (h set for AND only)
template <bool HalfSet>
inline void Logic(uint8_t res) {
    R.A = res;
    FlagsSZ53(res);
    R.H = HalfSet;             // h
    R.PV = ParityTable[res];   // P
    R.N = false;               // n
    R.CY = false;              // c
}

// alu table.
template <int Y>
inline void Alu(uint8_t v) {
    if constexpr (Y == 0) Add8(v, 0);
    else if constexpr (Y == 1) Add8(v, R.CY);
    else if constexpr (Y == 2) Sub8<false>(v, 0);
    else if constexpr (Y == 3) Sub8<false>(v, R.CY);
    else if constexpr (Y == 4) Logic<true>(R.A & v);
    else if constexpr (Y == 5) Logic<false>(R.A ^ v);
    else if constexpr (Y == 6) Logic<false>(R.A | v);
    else Sub8<true>(v, 0);
}

// INC v                s z 5 h 3 V 0 .
inline uint8_t Inc8(uint8_t v) {
    const uint8_t res = static_cast<uint8_t>(v + 1);
    FlagsSZ53(res);
    R.H = (v & 0x0F) == 0x0F;  // h
    R.PV = v == 0x7F;          // V
    R.N = false;               // n
    return res;
}
// DEC v                s z 5 h 3 V 1 .
inline uint8_t Dec8(uint8_t v) {
    const uint8_t res = static_cast<uint8_t>(v - 1);
    FlagsSZ53(res);
    R.H = (v & 0x0F) == 0;     // h: borrow from bit 4
    R.PV = v == 0x80;          // V
    R.N = true;                // n
    return res;
}

// ADD HL,rr            . . 5 h 3 . 0 c   (5 and 3 from the result's high byte)
inline uint16_t Add16(uint16_t a, uint16_t b) {
    const uint32_t res = static_cast<uint32_t>(a) + b;
    R.H = (a ^ b ^ res) & 0x1000;  // h: carry out of bit 11
    R.N = false;                   // n
    R.CY = res > 0xFFFF;           // c
    R.F5 = res & 0x2000;           // 5: bit 13
    R.F3 = res & 0x0800;           // 3: bit 11
    return static_cast<uint16_t>(res);
}
// ADC HL,rr / SBC HL,rr  s z 5 h 3 V n c
template <bool Subtract>
inline void AdcSbc16(uint16_t b) {
    const uint32_t a = R.HL;
    const uint32_t res = Subtract ? a - b - R.CY : a + b + R.CY;
    const uint16_t r = static_cast<uint16_t>(res);
    R.S = r & 0x8000;                                         // s
    R.Z = r == 0;                                             // z
    R.F5 = r & 0x2000;                                        // 5
    R.H = (a ^ b ^ res) & 0x1000;                             // h
    R.F3 = r & 0x0800;                                        // 3
    if constexpr (Subtract)
        R.PV = (a ^ b) & (a ^ res) & 0x8000;                  // V
    else
        R.PV = (a ^ ~static_cast<uint32_t>(b)) & (a ^ res) & 0x8000;
    R.N = Subtract;                                           // n
    R.CY = res & 0x10000;                                     // c
    R.HL = r;
}

// rot table (CB 00-3F): RLC RRC RL RR SLA SRA SLL SRL   s z 5 0 3 P 0 c
template <int Y>
inline uint8_t Rotate(uint8_t v) {
    uint8_t res;
    bool carry;
    if constexpr (Y == 0) { carry = v & 0x80; res = static_cast<uint8_t>(v << 1 | carry); }
    else if constexpr (Y == 1) { carry = v & 1; res = static_cast<uint8_t>(v >> 1 | carry << 7); }
    else if constexpr (Y == 2) { carry = v & 0x80; res = static_cast<uint8_t>(v << 1 | R.CY); }
    else if constexpr (Y == 3) { carry = v & 1; res = static_cast<uint8_t>(v >> 1 | R.CY << 7); }
    else if constexpr (Y == 4) { carry = v & 0x80; res = static_cast<uint8_t>(v << 1); }
    else if constexpr (Y == 5) { carry = v & 1; res = static_cast<uint8_t>(v >> 1 | (v & 0x80)); }
    else if constexpr (Y == 6) { carry = v & 0x80; res = static_cast<uint8_t>(v << 1 | 1); }  // SLL
    else { carry = v & 1; res = static_cast<uint8_t>(v >> 1); }
    FlagsSZ53(res);
    R.H = false;              // h
    R.PV = ParityTable[res];  // P
    R.N = false;              // n
    R.CY = carry;             // c
    return res;
}

// BIT y,v              * * . 1 . * 0 .
// F5 and F3 are left as they were, in every form of BIT. Z and PV are set
// when the bit is 0; S only for bit 7 when it is 1.
template <int Y>
inline void Bit(uint8_t v) {
    const bool set = v & (1u << Y);
    R.S = Y == 7 && set;  // s
    R.Z = !set;           // z
    R.H = true;           // h
    R.PV = !set;          // p
    R.N = false;          // n
}

int UnknownIndexed(uint8_t op) {
    DebugLine(MessageText(Message::UnknownIndexed, {std::to_string(op), std::to_string(R.PC)}), true);
    return 0;
}

int UnknownExtended(uint8_t op) {
    DebugLine(MessageText(Message::UnknownExtended, {std::to_string(op), std::to_string(R.PC)}), true);
    return 8;
}

// ---------------------------------------------------------------------------
// Unprefixed opcodes, and their DD/FD forms on ID (Indexed = true), one
// function per opcode group. T-states are returned for the whole instruction,
// prefix included; "+4" in a table is the DD/FD prefix's own fetch, and
// (ID+d) gives the indexed form of an (HL) operand.
// ---------------------------------------------------------------------------

int ExecuteBitOps();
int ExecuteExtended();
int ExecuteIndexed(uint16_t& index);
int ExecuteIndexedBitOps();

// The decode fields of an opcode byte.
constexpr int FieldX(int op) { return op >> 6; }
constexpr int FieldY(int op) { return (op >> 3) & 7; }
constexpr int FieldZ(int op) { return op & 7; }
constexpr int FieldP(int op) { return FieldY(op) >> 1; }
constexpr int FieldQ(int op) { return FieldY(op) & 1; }

// The DD/FD prefix's own fetch, added to forms that run on ID.
template <bool Indexed>
inline constexpr int PrefixStates = Indexed ? 4 : 0;

// Relative jumps and assorted: 00 yyy 000; no flags except EX AF,AF'.
//                                                 s z 5 h 3 p n c  T-states
//   y=0    NOP                                    . . . . . . . .  4
//   y=1    EX AF,AF'                              all from AF'     4
//   y=2    DJNZ e  (B - 1, jump while not 0)      . . . . . . . .  13 taken, 8 not
//   y=3    JR e                                   . . . . . . . .  12
//   y=4-7  JR cc,e  (cc = y - 4: NZ Z NC C)       . . . . . . . .  12 taken, 7 not
template <int Op>
inline int RelativeJumps() {
    constexpr int y = FieldY(Op);
    if constexpr (y == 0) {
        return 4;
    } else if constexpr (y == 1) {
        const uint16_t af = Word(R.A, GetF());
        R.A = Hi(R.AFAlt);
        SetF(Lo(R.AFAlt));
        R.AFAlt = af;
        return 4;
    } else if constexpr (y == 2) {
        const int8_t e = static_cast<int8_t>(FetchB());
        R.B = static_cast<uint8_t>(R.B - 1);
        if (R.B != 0) { R.PC = static_cast<uint16_t>(R.PC + e); return 13; }
        return 8;
    } else if constexpr (y == 3) {
        const int8_t e = static_cast<int8_t>(FetchB());
        R.PC = static_cast<uint16_t>(R.PC + e);
        return 12;
    } else {
        const int8_t e = static_cast<int8_t>(FetchB());
        if (Condition<y - 4>()) { R.PC = static_cast<uint16_t>(R.PC + e); return 12; }
        return 7;
    }
}

// 16-bit loads and arithmetic, indirect loads: 00 ppq 001-011.
//                                                    s z 5 h 3 p n c  T-states
//   z=1 q=0  LD rp,nn                                . . . . . . . .  10 (+4)
//   z=1 q=1  ADD HL,rp  (5 and 3 from bits 13, 11)   . . * * * . 0 *  11 (+4)
//   z=2      LD (BC),A  LD (DE),A                    . . . . . . . .  7
//            LD A,(BC)  LD A,(DE)                    . . . . . . . .  7
//            LD (nn),HL  LD HL,(nn)                  . . . . . . . .  16 (+4)
//            LD (nn),A   LD A,(nn)                   . . . . . . . .  13
//   z=3 q=0  INC rp;  q=1  DEC rp                    . . . . . . . .  6 (+4)
template <int Op, bool Indexed>
inline int WordLoadsAndArithmetic() {
    constexpr int z = FieldZ(Op), p = FieldP(Op), q = FieldQ(Op);
    constexpr int Pre = PrefixStates<Indexed>;
    if constexpr (z == 1) {
        if constexpr (q == 0) { SetRP<p, Indexed>(FetchW()); return 10 + Pre; }
        HLReg<Indexed>() = Add16(HLReg<Indexed>(), GetRP<p, Indexed>());
        return 11 + Pre;
    } else if constexpr (z == 2) {
        if constexpr (Op == 0x02) { WriteB(Word(R.B, R.C), R.A); return 7; }
        else if constexpr (Op == 0x12) { WriteB(R.DE, R.A); return 7; }
        else if constexpr (Op == 0x22) { WriteW(FetchW(), HLReg<Indexed>()); return 16 + Pre; }
        else if constexpr (Op == 0x32) { WriteB(FetchW(), R.A); return 13; }
        else if constexpr (Op == 0x0A) { R.A = ReadB(Word(R.B, R.C)); return 7; }
        else if constexpr (Op == 0x1A) { R.A = ReadB(R.DE); return 7; }
        else if constexpr (Op == 0x2A) { HLReg<Indexed>() = ReadW(FetchW()); return 16 + Pre; }
        else { R.A = ReadB(FetchW()); return 13; }
    } else {
        SetRP<p, Indexed>(static_cast<uint16_t>(GetRP<p, Indexed>() + (q == 0 ? 1 : -1)));
        return 6 + Pre;
    }
}

// 8-bit INC, DEC and immediate load: 00 yyy 100-110, r[y].
//                                     s z 5 h 3 p n c  T-states
//   z=4  INC r                        * * * * * V 0 .  4 (+4); (HL) 11; (ID+d) 23
//   z=5  DEC r                        * * * * * V 1 .  4 (+4); (HL) 11; (ID+d) 23
//   z=6  LD r,n                       . . . . . . . .  7 (+4); (HL) 10; (ID+d) 19
template <int Op, bool Indexed>
inline int ByteIncDecAndLoad() {
    constexpr int y = FieldY(Op), z = FieldZ(Op);
    constexpr int Pre = PrefixStates<Indexed>;
    if constexpr (z == 6) {
        if constexpr (y == 6) {
            const uint16_t a = OperandAddress<Indexed>();
            WriteB(a, FetchB());
            return Indexed ? 19 : 10;
        } else {
            SetR<y, Indexed>(FetchB());
            return 7 + Pre;
        }
    } else if constexpr (y == 6) {
        const uint16_t a = OperandAddress<Indexed>();
        const uint8_t v = ReadB(a);
        WriteB(a, z == 4 ? Inc8(v) : Dec8(v));
        return Indexed ? 23 : 11;
    } else {
        const uint8_t v = GetR<y, Indexed>();
        SetR<y, Indexed>(z == 4 ? Inc8(v) : Dec8(v));
        return 4 + Pre;
    }
}

// Operations on A and the flags: 00 yyy 111, 4 T-states each.
//                                     s z 5 h 3 p n c
//   y=0-3  RLCA RRCA RLA RRA          . . * 0 * . 0 *   (5 and 3 from A)
//   y=4    DAA                        * * * * * P . *
//   y=5    CPL                        . . * 1 * . 1 .
//   y=6    SCF                        . . * 0 * . 0 1
//   y=7    CCF  (h takes the old c)   . . * * * . 0 *
template <int Op>
inline int AccumulatorAndFlags() {
    constexpr int y = FieldY(Op);
    if constexpr (y == 4) {
        const unsigned a = R.A;
        unsigned correction = 0;
        bool carry = R.CY;
        if ((a & 0x0F) > 9 || R.H) correction |= 0x06;
        if (a > 0x99 || R.CY) { correction |= 0x60; carry = true; }
        const unsigned res = R.N ? a - correction : a + correction;
        R.H = (a ^ correction ^ res) & HalfBit;  // h: low-nibble carry or borrow
        R.CY = carry;
        R.A = static_cast<uint8_t>(res);
        FlagsSZ53(R.A);
        R.PV = ParityTable[R.A];
        return 4;
    } else if constexpr (y == 5) {
        R.A = static_cast<uint8_t>(~R.A);
        R.H = true;
        R.N = true;
    } else if constexpr (y == 6) {
        R.CY = true;
        R.H = false;
        R.N = false;
    } else if constexpr (y == 7) {
        R.H = R.CY;
        R.CY = !R.CY;
        R.N = false;
    } else {
        if constexpr (y == 0) {
            R.CY = R.A & 0x80;
            R.A = static_cast<uint8_t>(R.A << 1 | R.CY);
        } else if constexpr (y == 1) {
            R.CY = R.A & 1;
            R.A = static_cast<uint8_t>(R.A >> 1 | R.CY << 7);
        } else if constexpr (y == 2) {
            const bool c = R.A & 0x80;
            R.A = static_cast<uint8_t>(R.A << 1 | R.CY);
            R.CY = c;
        } else {
            const bool c = R.A & 1;
            R.A = static_cast<uint8_t>(R.A >> 1 | R.CY << 7);
            R.CY = c;
        }
        R.H = false;
        R.N = false;
    }
    R.F5 = R.A & Bit5;
    R.F3 = R.A & Bit3;
    return 4;
}

// 8-bit loads: 01 yyy zzz, LD r[y],r[z].
//                                                 s z 5 h 3 p n c  T-states
//   LD r,r'                                       . . . . . . . .  4 (+4)
//   LD IXL,B/C/D/E and IYL,B/C/D/E (undocumented) . . . . . . . .  9
//   LD r,(HL)  LD (HL),r  (r: real H, L on DD/FD) . . . . . . . .  7; (ID+d) 19
//   76 HALT  (no halted state is kept)            . . . . . . . .  4
template <int Op, bool Indexed>
inline int ByteLoads() {
    constexpr int y = FieldY(Op), z = FieldZ(Op);
    constexpr int Pre = PrefixStates<Indexed>;
    if constexpr (Op == 0x76) {
        return 4;
    } else if constexpr (y == 6) {
        const uint16_t a = OperandAddress<Indexed>();
        WriteB(a, GetR<z, false>());
        return Indexed ? 19 : 7;
    } else if constexpr (z == 6) {
        const uint16_t a = OperandAddress<Indexed>();
        SetR<y, false>(ReadB(a));
        return Indexed ? 19 : 7;
    } else {
        SetR<y, Indexed>(GetR<z, Indexed>());
        if constexpr (Indexed && y == 5 && z <= 3) return 9;
        return 4 + Pre;
    }
}

// Arithmetic and logic on A: 10 yyy zzz, alu[y] A,r[z].
//                                     s z 5 h 3 p n c  T-states
//   y=0,1  ADD ADC                    * * * * * V 0 *  4 (+4); (HL) 7; (ID+d) 19
//   y=2,3  SUB SBC                    * * * * * V 1 *
//   y=4    AND                        * * * 1 * P 0 0
//   y=5,6  XOR OR                     * * * 0 * P 0 0
//   y=7    CP  (5 and 3: operand)     * * * * * V 1 *
template <int Op, bool Indexed>
inline int AluRegister() {
    constexpr int y = FieldY(Op), z = FieldZ(Op);
    if constexpr (z == 6) {
        const uint16_t a = OperandAddress<Indexed>();
        Alu<y>(ReadB(a));
        return Indexed ? 19 : 7;
    } else {
        Alu<y>(GetR<z, Indexed>());
        return 4 + PrefixStates<Indexed>;
    }
}

// Returns, POP, jumps and assorted: 11 yyy 000-011. No flags change, except
// F by POP AF.                                                T-states
//   z=0      RET cc                                           11 taken, 5 not
//   z=1 q=0  POP rp2                                          10 (+4)
//   z=1 q=1  p=0 RET 10;  p=1 EXX 4;  p=2 JP (HL) 4 (+4);  p=3 LD SP,HL 6 (+4)
//   z=2      JP cc,nn                                         10 either way
//   z=3      y=0 JP nn 10;  y=1 CB prefix;  y=2 OUT (n),A 11;  y=3 IN A,(n) 11;
//            y=4 EX (SP),HL 19 (+4);  y=5 EX DE,HL 4;  y=6 DI 4;
//            y=7 EI 4 (takes effect at once)
template <int Op, bool Indexed>
inline int ReturnsAndJumps() {
    constexpr int y = FieldY(Op), z = FieldZ(Op), p = FieldP(Op), q = FieldQ(Op);
    constexpr int Pre = PrefixStates<Indexed>;
    if constexpr (z == 0) {
        if (Condition<y>()) { R.PC = Pop(); return 11; }
        return 5;
    } else if constexpr (z == 1) {
        if constexpr (q == 0) { SetRP2<p, Indexed>(Pop()); return 10 + Pre; }
        else if constexpr (p == 0) { R.PC = Pop(); return 10; }
        else if constexpr (p == 1) {
            const uint16_t bc = Word(R.B, R.C);
            R.B = Hi(R.BCAlt);
            R.C = Lo(R.BCAlt);
            R.BCAlt = bc;
            const uint16_t de = R.DE; R.DE = R.DEAlt; R.DEAlt = de;
            const uint16_t hl = R.HL; R.HL = R.HLAlt; R.HLAlt = hl;
            return 4;
        } else if constexpr (p == 2) { R.PC = HLReg<Indexed>(); return 4 + Pre; }
        else { R.SP = HLReg<Indexed>(); return 6 + Pre; }
    } else if constexpr (z == 2) {
        const uint16_t nn = FetchW();
        if (Condition<y>()) R.PC = nn;
        return 10;
    } else {
        if constexpr (y == 0) { R.PC = FetchW(); return 10; }
        else if constexpr (y == 1) return ExecuteBitOps();
        else if constexpr (y == 2) { WritePortHook(FetchB(), R.A); return 11; }
        else if constexpr (y == 3) { R.A = ReadPortHook(FetchB()); return 11; }
        else if constexpr (y == 4) {
            const uint16_t v = ReadW(R.SP);
            WriteW(R.SP, HLReg<Indexed>());
            HLReg<Indexed>() = v;
            return 19 + Pre;
        } else if constexpr (y == 5) {
            const uint16_t v = R.DE; R.DE = R.HL; R.HL = v;
            return 4;
        } else if constexpr (y == 6) { R.IFF1 = R.IFF2 = false; return 4; }
        else { R.IFF1 = R.IFF2 = true; return 4; }
    }
}

// Calls, PUSH, prefixes, immediate arithmetic and restarts: 11 yyy 100-111.
// No flags change, except by alu A,n.                         T-states
//   z=4      CALL cc,nn                                       17 taken, 10 not
//   z=5 q=0  PUSH rp2                                         11 (+4)
//   z=5 q=1  p=0 CALL nn 17;  p=1 DD, p=2 ED, p=3 FD prefix
//   z=6      alu[y] A,n  (flags as in Alu)                    7
//   z=7      RST y*8                                          11
template <int Op, bool Indexed>
inline int CallsAndRestarts() {
    constexpr int y = FieldY(Op), z = FieldZ(Op), p = FieldP(Op), q = FieldQ(Op);
    if constexpr (z == 4) {
        const uint16_t nn = FetchW();
        if (Condition<y>()) { Push(R.PC); R.PC = nn; return 17; }
        return 10;
    } else if constexpr (z == 5) {
        if constexpr (q == 0) { Push(GetRP2<p, Indexed>()); return 11 + PrefixStates<Indexed>; }
        else if constexpr (p == 0) { const uint16_t nn = FetchW(); Push(R.PC); R.PC = nn; return 17; }
        else if constexpr (p == 1) return ExecuteIndexed(R.IX);
        else if constexpr (p == 2) return ExecuteExtended();
        else return ExecuteIndexed(R.IY);
    } else if constexpr (z == 6) {
        Alu<y>(FetchB());
        return 7;
    } else {
        Push(R.PC);
        R.PC = y * 8;
        return 11;
    }
}

// One opcode, dispatched to its group by x and z.
template <int Op, bool Indexed>
inline int Main() {
    constexpr int x = FieldX(Op), z = FieldZ(Op);
    if constexpr (x == 0) {
        if constexpr (z == 0) return RelativeJumps<Op>();
        else if constexpr (z <= 3) return WordLoadsAndArithmetic<Op, Indexed>();
        else if constexpr (z <= 6) return ByteIncDecAndLoad<Op, Indexed>();
        else return AccumulatorAndFlags<Op>();
    } else if constexpr (x == 1) {
        return ByteLoads<Op, Indexed>();
    } else if constexpr (x == 2) {
        return AluRegister<Op, Indexed>();
    } else if constexpr (z <= 3) {
        return ReturnsAndJumps<Op, Indexed>();
    } else {
        return CallsAndRestarts<Op, Indexed>();
    }
}

// ---------------------------------------------------------------------------
// CB prefix: xx yyy zzz on r[z].
//                                                s z 5 h 3 p n c  T-states
//   x=0    RLC RRC RL RR SLA SRA SLL SRL (y)   * * * 0 * P 0 *  8; (HL) 15
//   x=1    BIT y                               * * . 1 . * 0 .  8; (HL) 12
//   x=2,3  RES y, SET y                        . . . . . . . .  8; (HL) 15
// ---------------------------------------------------------------------------

template <int Op>
inline int BitOp() {
    constexpr int x = FieldX(Op), y = FieldY(Op), z = FieldZ(Op);
    if constexpr (z == 6) {
        const uint8_t v = ReadB(R.HL);
        if constexpr (x == 0) { WriteB(R.HL, Rotate<y>(v)); return 15; }
        else if constexpr (x == 1) { Bit<y>(v); return 12; }
        else if constexpr (x == 2) { WriteB(R.HL, v & ~(1u << y)); return 15; }
        else { WriteB(R.HL, v | (1u << y)); return 15; }
    } else {
        const uint8_t v = GetR<z, false>();
        if constexpr (x == 0) SetR<z, false>(Rotate<y>(v));
        else if constexpr (x == 1) Bit<y>(v);
        else if constexpr (x == 2) SetR<z, false>(static_cast<uint8_t>(v & ~(1u << y)));
        else SetR<z, false>(static_cast<uint8_t>(v | (1u << y)));
        return 8;
    }
}

// DD CB d op / FD CB d op on (ID+d): BIT 20 T-states, everything else 23. The
// forms with z != 6 also copy the result into register z (RES and SET too).
template <int Op>
inline int IndexedBitOp(uint16_t address) {
    constexpr int x = FieldX(Op), y = FieldY(Op), z = FieldZ(Op);
    const uint8_t v = ReadB(address);
    uint8_t res;
    if constexpr (x == 1) { Bit<y>(v); return 20; }
    else if constexpr (x == 0) res = Rotate<y>(v);
    else if constexpr (x == 2) res = static_cast<uint8_t>(v & ~(1u << y));
    else res = static_cast<uint8_t>(v | (1u << y));
    WriteB(address, res);
    if constexpr (z != 6) SetR<z, false>(res);
    return 23;
}

// ---------------------------------------------------------------------------
// ED prefix. The block instructions are 10 1yy 0zz: y = 4 increment, 5
// decrement, 6 and 7 the same repeating; z = 0 load, 1 compare, 2 in, 3 out.
// Each takes 16 T-states, 21 when a repeating form goes round again.
// ---------------------------------------------------------------------------

// LDI/LDD/LDIR/LDDR   . . * 0 * V 0 .   (5 and 3 kept by LDI/LDD; from the
// copied byte for LDIR/LDDR); V: BC not 0 after the decrement.
template <int Step, bool Repeat>
inline int BlockLoad() {
    const uint8_t v = ReadB(R.HL);
    WriteB(R.DE, v);
    R.HL = static_cast<uint16_t>(R.HL + Step);
    R.DE = static_cast<uint16_t>(R.DE + Step);
    const uint16_t bc = static_cast<uint16_t>(Word(R.B, R.C) - 1);
    R.B = Hi(bc);
    R.C = Lo(bc);
    R.H = false;
    R.N = false;
    R.PV = bc != 0;
    if constexpr (Repeat) {
        R.F5 = v & Bit5;
        R.F3 = v & Bit3;
        if (bc != 0) { R.PC = static_cast<uint16_t>(R.PC - 2); return 21; }
    }
    return 16;
}

// CPI/CPD/CPIR/CPDR   * * * * * V 1 .   (5 and 3 from the compared byte)
template <int Step, bool Repeat>
inline int BlockCompare() {
    const unsigned v = ReadB(R.HL);
    const unsigned a = R.A, res = a - v;
    const uint8_t r = static_cast<uint8_t>(res);
    R.HL = static_cast<uint16_t>(R.HL + Step);
    const uint16_t bc = static_cast<uint16_t>(Word(R.B, R.C) - 1);
    R.B = Hi(bc);
    R.C = Lo(bc);
    R.S = r & SignBit;
    R.Z = r == 0;
    R.H = (a ^ v ^ res) & HalfBit;
    R.N = true;
    R.PV = bc != 0;
    R.F5 = v & Bit5;
    R.F3 = v & Bit3;
    if constexpr (Repeat) {
        if (bc != 0 && r != 0) { R.PC = static_cast<uint16_t>(R.PC - 2); return 21; }
    }
    return 16;
}

// INI/IND/INIR/INDR   . 1 . . . . 1 . (repeating)  . z . . . . 1 . (single)
// The port is C; B is decremented after the read.
template <int Step, bool Repeat>
inline int BlockIn() {
    const uint8_t v = ReadPortHook(R.C);
    WriteB(R.HL, v);
    R.B = static_cast<uint8_t>(R.B - 1);
    R.HL = static_cast<uint16_t>(R.HL + Step);
    R.N = true;
    if constexpr (Repeat) {
        R.Z = true;
        if (R.B != 0) { R.PC = static_cast<uint16_t>(R.PC - 2); return 21; }
    } else {
        R.Z = R.B == 0;
    }
    return 16;
}

// OUTI/OUTD/OTIR/OTDR: as the IN forms, but B is decremented first.
template <int Step, bool Repeat>
inline int BlockOut() {
    R.B = static_cast<uint8_t>(R.B - 1);
    const uint8_t v = ReadB(R.HL);
    WritePortHook(R.C, v);
    R.HL = static_cast<uint16_t>(R.HL + Step);
    R.N = true;
    if constexpr (Repeat) {
        R.Z = true;
        if (R.B != 0) { R.PC = static_cast<uint16_t>(R.PC - 2); return 21; }
    } else {
        R.Z = R.B == 0;
    }
    return 16;
}

// Port, 16-bit and assorted ED instructions: 01 yyy 000-110.
//                                                 s z 5 h 3 p n c  T-states
//   z=0      IN r[y],(C)  (y=6: flags only)       * * * 0 * P 0 .  12
//   z=1      OUT (C),r[y]  (y=6: OUT (C),0)       . . . . . . . .  12
//   z=2 q=0  SBC HL,rp                            * * * * * V 1 *  15
//   z=2 q=1  ADC HL,rp                            * * * * * V 0 *  15
//   z=3      LD (nn),rp (q=0);  LD rp,(nn) (q=1)  . . . . . . . .  20
//   z=4      NEG (all eight)                      * * * * * V 1 *  8
//   z=5      RETN (y=1: RETI), IFF1 := IFF2       . . . . . . . .  14
//   z=6      IM 0/1/2 by y & 3: 0 0 1 2           . . . . . . . .  8
template <int Op>
inline int PortsAndWordOps() {
    constexpr int y = FieldY(Op), z = FieldZ(Op), p = FieldP(Op), q = FieldQ(Op);
    if constexpr (z == 0) {
        const uint8_t v = ReadPortHook(R.C);
        if constexpr (y != 6) SetR<y, false>(v);
        FlagsSZ53(v);
        R.H = false;
        R.PV = ParityTable[v];
        R.N = false;
        return 12;
    } else if constexpr (z == 1) {
        if constexpr (y == 6) WritePortHook(R.C, 0);
        else WritePortHook(R.C, GetR<y, false>());
        return 12;
    } else if constexpr (z == 2) {
        AdcSbc16<q == 0>(GetRP<p, false>());
        return 15;
    } else if constexpr (z == 3) {
        const uint16_t nn = FetchW();
        if constexpr (q == 0) WriteW(nn, GetRP<p, false>());
        else SetRP<p, false>(ReadW(nn));
        return 20;
    } else if constexpr (z == 4) {
        const uint8_t v = R.A;
        R.A = 0;
        Sub8<false>(v, 0);
        return 8;
    } else if constexpr (z == 5) {
        R.IFF1 = R.IFF2;
        R.PC = Pop();
        return 14;
    } else {
        R.IM = (y & 3) == 2 ? 1 : (y & 3) == 3 ? 2 : 0;
        return 8;
    }
}

// I, R and digit rotates: 01 yyy 111.
//                                                 s z 5 h 3 p n c  T-states
//   y=0    LD I,A                                 . . . . . . . .  9
//   y=1    LD R,A  (bit 7 and counter from A)     . . . . . . . .  9
//   y=2    LD A,I                                 * * * 0 * I 0 .  9
//   y=3    LD A,R  (counter cut to 7 bits)        * * * 0 * I 0 .  9
//   y=4,5  RRD RLD                                * * * 0 * P 0 .  18
//   y=6,7  no operation                           . . . . . . . .  8
template <int Op>
inline int InterruptRegistersAndDigits() {
    constexpr int y = FieldY(Op);
    if constexpr (y == 0) {
        R.I = R.A;
        return 9;
    } else if constexpr (y == 1) {
        R.RTopBit = R.A;
        R.RCounter = R.A;
        return 9;
    } else if constexpr (y == 2 || y == 3) {
        if constexpr (y == 2) {
            R.A = R.I;
        } else {
            R.RCounter &= 0x7F;
            R.A = static_cast<uint8_t>((R.RTopBit & 0x80) | R.RCounter);
        }
        FlagsSZ53(R.A);
        R.H = false;
        R.PV = R.IFF2;
        R.N = false;
        return 9;
    } else if constexpr (y == 4 || y == 5) {
        const uint8_t m = ReadB(R.HL);
        if constexpr (y == 4) {
            WriteB(R.HL, static_cast<uint8_t>(R.A << 4 | m >> 4));
            R.A = static_cast<uint8_t>((R.A & 0xF0) | (m & 0x0F));
        } else {
            WriteB(R.HL, static_cast<uint8_t>(m << 4 | (R.A & 0x0F)));
            R.A = static_cast<uint8_t>((R.A & 0xF0) | m >> 4);
        }
        FlagsSZ53(R.A);
        R.H = false;
        R.PV = ParityTable[R.A];
        R.N = false;
        return 18;
    } else {
        return 8;
    }
}

// One ED opcode, dispatched to its group by x, y and z. ED 00-3F and 80-9F
// do nothing in 8 T-states; the other opcodes outside the groups (A4-A7,
// AC-AF, ..., C0-FF) are reported by UnknownExtended, also 8 T-states.
template <int Op>
inline int Extended() {
    constexpr int x = FieldX(Op), y = FieldY(Op), z = FieldZ(Op);
    if constexpr (x == 0 || (x == 2 && y < 4)) {
        return 8;
    } else if constexpr (x == 1) {
        if constexpr (z == 7) return InterruptRegistersAndDigits<Op>();
        else return PortsAndWordOps<Op>();
    } else if constexpr (x == 2 && z <= 3) {
        constexpr int step = (y & 1) ? -1 : 1;
        constexpr bool repeat = y >= 6;
        if constexpr (z == 0) return BlockLoad<step, repeat>();
        else if constexpr (z == 1) return BlockCompare<step, repeat>();
        else if constexpr (z == 2) return BlockIn<step, repeat>();
        else return BlockOut<step, repeat>();
    } else {
        return UnknownExtended(static_cast<uint8_t>(Op));
    }
}

// DD/FD second bytes executed on ID: every opcode whose unprefixed form uses
// HL, H, L or (HL), except EX DE,HL and HALT.
constexpr bool UsesIndex(int op) {
    const int x = FieldX(op), y = FieldY(op), z = FieldZ(op);
    if (op == 0xCB || op == 0xE1 || op == 0xE3 || op == 0xE5 || op == 0xE9 || op == 0xF9) return true;
    if (x == 0) {
        if (z == 1) return true;  // LD rp,nn and ADD HL,rp (01, 11, 31 are left out below)
        return op == 0x22 || op == 0x2A || op == 0x23 || op == 0x2B ||
               ((z == 4 || z == 5 || z == 6) && (y == 4 || y == 5 || y == 6));
    }
    if (x == 1) return op != 0x76 && (y == 4 || y == 5 || y == 6 || z == 4 || z == 5 || z == 6);
    if (x == 2) return z == 4 || z == 5 || z == 6;
    return false;
}
// LD rp,nn takes the prefix only for HL (21); 01, 11 and 31 are not indexed.
constexpr bool IsIndexedOpcode(int op) {
    if (op == 0x01 || op == 0x11 || op == 0x31) return false;
    return UsesIndex(op);
}

template <int Op>
inline int Indexed() {
    if constexpr (Op == 0xCB) {
        return ExecuteIndexedBitOps();
    } else if constexpr (IsIndexedOpcode(Op)) {
        return Main<Op, true>();
    } else if constexpr (Op == 0x76) {
        return UnknownIndexed(static_cast<uint8_t>(Op));
    } else {
        // prefix ignored: back onto the second byte, its fetch taken back
        R.PC = static_cast<uint16_t>(R.PC - 1);
        R.RCounter -= 1;
        return 4;
    }
}

#define PLOVER_CASE4(F, n) F(n) F((n) + 1) F((n) + 2) F((n) + 3)
#define PLOVER_CASE16(F, n) PLOVER_CASE4(F, n) PLOVER_CASE4(F, (n) + 4) PLOVER_CASE4(F, (n) + 8) PLOVER_CASE4(F, (n) + 12)
#define PLOVER_CASE64(F, n) PLOVER_CASE16(F, n) PLOVER_CASE16(F, (n) + 16) PLOVER_CASE16(F, (n) + 32) PLOVER_CASE16(F, (n) + 48)
#define PLOVER_CASE256(F) PLOVER_CASE64(F, 0) PLOVER_CASE64(F, 64) PLOVER_CASE64(F, 128) PLOVER_CASE64(F, 192)

// After CB: one more opcode fetch.
int ExecuteBitOps() {
    R.RCounter += 1;
    switch (FetchB()) {
#define PLOVER_BITOP(n) case (n): return BitOp<(n)>();
        PLOVER_CASE256(PLOVER_BITOP)
#undef PLOVER_BITOP
    }
    __builtin_unreachable();
}

// After ED: one more opcode fetch.
int ExecuteExtended() {
    R.RCounter += 1;
    switch (FetchB()) {
#define PLOVER_EXTENDED(n) case (n): return Extended<(n)>();
        PLOVER_CASE256(PLOVER_EXTENDED)
#undef PLOVER_EXTENDED
    }
    __builtin_unreachable();
}

// After DD (index = IX) or FD (index = IY): one more opcode fetch, then the
// instruction runs on ID, which is stored back afterwards.
int ExecuteIndexed(uint16_t& index) {
    R.ID = index;
    R.RCounter += 1;
    int t = 0;
    switch (FetchB()) {
#define PLOVER_INDEXED(n) case (n): t = Indexed<(n)>(); break;
        PLOVER_CASE256(PLOVER_INDEXED)
#undef PLOVER_INDEXED
    }
    index = R.ID;
    return t;
}

// DD CB d op: the address is formed before op is fetched; no R increment.
int ExecuteIndexedBitOps() {
    const int8_t d = static_cast<int8_t>(FetchB());
    const uint16_t address = static_cast<uint16_t>(R.ID + d);
    switch (FetchB()) {
#define PLOVER_INDEXED_BITOP(n) case (n): return IndexedBitOp<(n)>(address);
        PLOVER_CASE256(PLOVER_INDEXED_BITOP)
#undef PLOVER_INDEXED_BITOP
    }
    __builtin_unreachable();
}

}  // namespace

int ExecuteStep() {
    switch (FetchB()) {
#define PLOVER_MAIN(n) case (n): return Main<(n), false>();
        PLOVER_CASE256(PLOVER_MAIN)
#undef PLOVER_MAIN
    }
    __builtin_unreachable();
}

}  // namespace plover
