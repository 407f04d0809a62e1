#include "kestrel/debug/disassembler.h"

#include <cstring>

#include "kestrel/debug/number_format.h"
#include "kestrel/z80/decode.h"

namespace kestrel {

namespace {

// The opcode fields X Y Z P Q, the same the executor decodes by.
using namespace decode;

// The operand tables, packed in one sequence of NUL-terminated strings in this
// order: alu (8), cc (8), im (8), r (8), rp (4), rp2 (4), rot (8), bli (16, row
// by row). Trailing spaces and commas belong to the entries. Each entry is its
// own literal so that no "\0" can swallow a following digit.
constexpr char kPackedMnemonics[] =
    "ADD A,\0" "ADC A,\0" "SUB \0" "SBC A,\0" "AND \0" "XOR \0" "OR \0" "CP \0"
    "NZ\0" "Z\0" "NC\0" "C\0" "PO\0" "PE\0" "P\0" "M\0"
    "0\0" "0/1\0" "1\0" "2\0" "0\0" "0/1\0" "1\0" "2\0"
    "B\0" "C\0" "D\0" "E\0" "H\0" "L\0" "(HL)\0" "A\0"
    "BC\0" "DE\0" "HL\0" "SP\0"
    "BC\0" "DE\0" "HL\0" "AF\0"
    "RLC \0" "RRC \0" "RL \0" "RR \0" "SLA \0" "SRA \0" "SLL \0" "SRL \0"
    "LDI\0" "CPI\0" "INI\0" "OUTI\0"
    "LDD\0" "CPD\0" "IND\0" "OUTD\0"
    "LDIR\0" "CPIR\0" "INIR\0" "OTIR\0"
    "LDDR\0" "CPDR\0" "INDR\0" "OTDR\0";

struct MnemonicTables {
    const char* alu[8];
    const char* cc[8];
    const char* im[8];
    const char* r[8];
    const char* rp[4];
    const char* rp2[4];
    const char* rot[8];
    const char* bli[4][4];
};

MnemonicTables gTables;
bool gTablesFilled = false;

constexpr const char* kUnprefixedZ7[8] = {"RLCA", "RRCA", "RLA", "RRA", "DAA", "CPL", "SCF", "CCF"};
constexpr const char* kEdZ7[8] = {"LD I,A", "LD R,A", "LD A,I", "LD A,R", "RRD", "RLD", "NOP", "NOP"};
constexpr char kErrorEdX0X3[] = "ERROR ED X=0:X=3";
constexpr char kErrorEdX2[] = "ERROR ED X=2 Z>3 Y<4";

// Decoding state of one instruction: the byte window, the cursor into it, the
// index flags and the text being built.
class Decoder {
public:
    Decoder(const uint8_t* bytes, uint16_t address, uint8_t base, TextVariant variant, char* text)
        : bytes_(bytes), address_(address), base_(base), variant_(variant), text_(text) {}

    int Run() {
        uint8_t op = Next();
        prefixIX_ = op == 0xDD;
        if (prefixIX_) op = Next();
        prefixIY_ = op == 0xFD;
        if (prefixIY_) op = Next();
        if (op == 0xCB) {
            DecodeCb();
        } else if (op == 0xED) {
            DecodeEd();
        } else {
            DecodeMain(op);
        }
        text_[length_] = '\0';
        return pos_;
    }

private:
    uint8_t Next() { return bytes_[pos_++]; }
    bool Indexed() const { return prefixIX_ || prefixIY_; }

    void Put(const char* s) {
        while (*s && length_ < kTextSize - 1) text_[length_++] = *s++;
    }
    void Put(char c) {
        if (length_ < kTextSize - 1) text_[length_++] = c;
    }
    void PutNumber(uint16_t value, NumberWidth width) {
        char digits[8];
        int n = FormatNumber(digits, value, width, base_);
        for (int i = 0; i < n; ++i) Put(digits[i]);
    }

    // Operands, each read from the byte stream at the moment it is written.
    void N() { PutNumber(Next(), NumberWidth::Byte); }
    void NN() {
        uint8_t low = Next();
        uint8_t high = Next();
        PutNumber(static_cast<uint16_t>(high << 8 | low), NumberWidth::Word);
    }
    void E() {
        int8_t e = static_cast<int8_t>(Next());
        PutNumber(static_cast<uint16_t>(address_ + pos_ + e), NumberWidth::Word);
    }
    void D() {
        int8_t d = static_cast<int8_t>(Next());
        Put(d < 0 ? '-' : '+');
        PutNumber(static_cast<uint16_t>(d < 0 ? -d : d), NumberWidth::Byte);
    }

    // HL*: HL, IX or IY; IX wins when both prefixes were seen.
    const char* IndexPair() const { return prefixIX_ ? "IX" : prefixIY_ ? "IY" : "HL"; }
    void Rp(int p) { Put(p == 2 ? IndexPair() : gTables.rp[p]); }
    void Rp2(int p) { Put(p == 2 ? IndexPair() : gTables.rp2[p]); }

    // r[k] with index substitution: (HL) becomes (IX+d), H and L become the
    // index halves unless plainHL (the other operand is (IX+d)).
    void Reg(int k, bool plainHL) {
        if (k == 6 && Indexed()) {
            Put(prefixIX_ ? "(IX" : "(IY");
            D();
            Put(')');
        } else if ((k == 4 || k == 5) && Indexed() && !plainHL) {
            Put(prefixIX_ ? "IX" : "IY");
            Put(k == 4 ? 'h' : 'l');
        } else {
            Put(gTables.r[k]);
        }
    }

    // A doubled index prefix: its bytes as data.
    void DoubledPrefix() {
        Put("DB ");
        for (int i = 0; i < pos_; ++i) {
            if (i) Put(',');
            PutNumber(bytes_[i], NumberWidth::Byte);
        }
    }

    void DecodeMain(uint8_t op) {
        const int x = X(op), y = Y(op), z = Z(op), p = P(op), q = Q(op);
        switch (x) {
        case 0: DecodeMainX0(y, z, p, q); break;
        case 1:
            // LD r,r' (x=1); z=6 with y=6 is HALT.
            if (y == 6 && z == 6) {
                Put("HALT");
            } else {
                Put("LD ");
                Reg(y, z == 6);
                Put(',');
                Reg(z, y == 6);
            }
            break;
        case 2:
            Put(gTables.alu[y]);
            Reg(z, false);
            break;
        default: DecodeMainX3(y, z, p, q); break;
        }
    }

    void DecodeMainX0(int y, int z, int p, int q) {
        switch (z) {
        case 0:
            if (y == 0) Put("NOP");
            else if (y == 1) Put("EX AF,AF'");
            else if (y == 2) { Put("DJNZ "); E(); }
            else if (y == 3) { Put("JR "); E(); }
            else { Put("JR "); Put(gTables.cc[y - 4]); Put(','); E(); }
            break;
        case 1:
            if (q == 0) { Put("LD "); Rp(p); Put(','); NN(); }
            else { Put("ADD "); Put(IndexPair()); Put(','); Rp(p); }
            break;
        case 2:
            if (q == 0) {
                if (p == 0) Put("LD (BC),A");
                else if (p == 1) Put("LD (DE),A");
                else if (p == 2) { Put("LD ("); NN(); Put("),"); Put(IndexPair()); }
                else { Put("LD ("); NN(); Put("),A"); }
            } else {
                if (p == 0) Put("LD A,(BC)");
                else if (p == 1) Put("LD A,(DE)");
                else if (p == 2) { Put("LD "); Put(IndexPair()); Put(",("); NN(); Put(')'); }
                else { Put("LD A,("); NN(); Put(')'); }
            }
            break;
        case 3: Put(q == 0 ? "INC " : "DEC "); Rp(p); break;
        case 4: Put("INC "); Reg(y, false); break;
        case 5: Put("DEC "); Reg(y, false); break;
        case 6: Put("LD "); Reg(y, false); Put(','); N(); break;
        default: Put(kUnprefixedZ7[y]); break;
        }
    }

    void DecodeMainX3(int y, int z, int p, int q) {
        switch (z) {
        case 0: Put("RET "); Put(gTables.cc[y]); break;
        case 1:
            if (q == 0) { Put("POP "); Rp2(p); }
            else if (p == 0) Put("RET");
            else if (p == 1) Put("EXX");
            else if (p == 2) { Put("JP "); Put(IndexPair()); }
            else { Put("LD SP,"); Put(IndexPair()); }
            break;
        case 2: Put("JP "); Put(gTables.cc[y]); Put(','); NN(); break;
        case 3:
            switch (y) {
            case 0: Put("JP "); NN(); break;
            case 2: Put("OUT ("); N(); Put("),A"); break;
            case 3: Put("IN A,("); N(); Put(')'); break;
            case 4: Put("EX (SP),"); Put(IndexPair()); break;
            case 5: Put("EX DE,HL"); break;
            case 6: Put("DI"); break;
            case 7: Put("EI"); break;
            default: break;  // y = 1 is CB, decoded before this table
            }
            break;
        case 4: Put("CALL "); Put(gTables.cc[y]); Put(','); NN(); break;
        case 5:
            if (q == 0) { Put("PUSH "); Rp2(p); }
            else if (p == 0) { Put("CALL "); NN(); }
            else DoubledPrefix();  // DD or FD in hand after a prefix (ED is decoded before)
            break;
        case 6: Put(gTables.alu[y]); N(); break;
        default: Put("RST "); PutNumber(static_cast<uint16_t>(y * 8), NumberWidth::Byte); break;
        }
    }

    void DecodeCb() {
        if (!Indexed()) {
            uint8_t op = Next();
            const int x = X(op), y = Y(op), z = Z(op);
            switch (x) {
            case 0: Put(gTables.rot[y]); break;
            case 1: Put("BIT "); break;
            case 2: Put("RES "); break;
            default: Put("SET "); break;
            }
            if (x != 0) { Put(static_cast<char>('0' + y)); Put(','); }
            Put(gTables.r[z]);
            return;
        }
        // DD CB d op / FD CB d op: the displacement comes before the opcode.
        char displacement[8];
        int dLength = 0;
        {
            int8_t d = static_cast<int8_t>(Next());
            displacement[dLength++] = d < 0 ? '-' : '+';
            dLength += FormatNumber(displacement + dLength, static_cast<uint16_t>(d < 0 ? -d : d),
                                    NumberWidth::Byte, base_);
            displacement[dLength] = '\0';
        }
        uint8_t op = Next();
        const int x = X(op), y = Y(op), z = Z(op);
        switch (x) {
        case 0: Put(gTables.rot[y]); break;
        case 1: Put("BIT "); break;
        case 2: Put("RES "); break;
        default: Put("SET "); break;
        }
        if (x != 0) { Put(static_cast<char>('0' + y)); Put(','); }
        Put(prefixIX_ ? "(IX" : "(IY");
        Put(displacement);
        Put(')');
        if (x != 1 && z != 6) { Put(','); Put(gTables.r[z]); }
    }

    void DecodeEd() {
        uint8_t op = Next();
        const int x = X(op), y = Y(op), z = Z(op), p = P(op), q = Q(op);
        const bool traced = variant_ == TextVariant::Traced;
        if (x == 0 || x == 3) { Put(kErrorEdX0X3); return; }
        if (x == 2) {
            if (z <= 3 && y >= 4) Put(gTables.bli[y - 4][z]);
            else Put(kErrorEdX2);
            return;
        }
        switch (z) {
        case 0:
            Put("IN ");
            if (!(traced && y == 6)) Put(gTables.r[y]);
            Put(",(C)");
            break;
        case 1:
            Put("OUT (C),");
            if (!(traced && y == 6)) Put(gTables.r[y]);
            break;
        case 2: Put(q == 0 ? "SBC HL," : "ADC HL,"); Put(gTables.rp[p]); break;
        case 3:
            if (q == 0) { Put("LD ("); NN(); Put("),"); Put(gTables.rp[p]); }
            else { Put("LD "); Put(gTables.rp[p]); Put(",("); NN(); Put(')'); }
            break;
        case 4: Put("NEG"); break;
        case 5: Put(y == 1 ? "RETI" : "RETN"); break;
        case 6: Put("IM "); Put(gTables.im[y]); break;
        default: Put(kEdZ7[y]); break;
        }
    }

    const uint8_t* bytes_;
    uint16_t address_;
    uint8_t base_;
    TextVariant variant_;
    char* text_;
    int pos_ = 0;
    int length_ = 0;
    bool prefixIX_ = false;
    bool prefixIY_ = false;
};

}  // namespace

void FillMnemonicTables() {
    const char* s = kPackedMnemonics;
    auto take = [&s]() {
        const char* entry = s;
        s += std::strlen(s) + 1;
        return entry;
    };
    for (auto& e : gTables.alu) e = take();
    for (auto& e : gTables.cc) e = take();
    for (auto& e : gTables.im) e = take();
    for (auto& e : gTables.r) e = take();
    for (auto& e : gTables.rp) e = take();
    for (auto& e : gTables.rp2) e = take();
    for (auto& e : gTables.rot) e = take();
    for (auto& row : gTables.bli)
        for (auto& e : row) e = take();
    gTablesFilled = true;
}

int DecodeInstruction(const uint8_t* bytes, uint16_t address, uint8_t base, TextVariant variant,
                      char* text) {
    if (!gTablesFilled) FillMnemonicTables();
    return Decoder(bytes, address, base, variant, text).Run();
}

void FormatAddressText(char* out, uint16_t address) {
    unsigned v = address;
    for (int i = 4; i >= 0; --i) {
        out[i] = static_cast<char>('0' + v % 10);
        v /= 10;
    }
    out[5] = ' ';
    HexDigits(out + 6, address, 4);
    out[10] = ' ';
    out[11] = ' ';
    out[12] = '\0';
}

void FormatByteText(char* out, const uint8_t* bytes, int count) {
    for (int i = 0; i < count; ++i) HexDigits(out + 2 * i, bytes[i], 2);
    out[2 * count] = '\0';
}

Disassembly Disassemble(const Processor& m, uint8_t base, uint16_t address) {
    Disassembly out;
    uint8_t window[kMaxInstructionBytes];
    for (int i = 0; i < kMaxInstructionBytes; ++i)
        window[i] = m.MemoryImage[static_cast<uint16_t>(address + i)];
    const int length = DecodeInstruction(window, address, base, TextVariant::Listing, out.Instruction);
    FormatAddressText(out.Address, address);
    FormatByteText(out.Bytes, window, length);
    out.Next = static_cast<uint16_t>(address + length);
    return out;
}

uint16_t DisassembleInstruction(MachineRecord& m, uint16_t address) {
    const Disassembly d = Disassemble(m, m.NumberBase, address);
    std::memcpy(m.AddressText, d.Address, kTextSize);
    std::memcpy(m.ByteText, d.Bytes, kTextSize);
    std::memcpy(m.InstructionText, d.Instruction, kTextSize);
    return d.Next;
}

}  // namespace kestrel
