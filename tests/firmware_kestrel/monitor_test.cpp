// The kestrel monitor ROM on kestrel's core, driven through the keypad.
#include <gtest/gtest.h>

#include <sstream>
#include <memory>
#include <string>
#include <vector>

#include "kestrel/z80/cpu.h"
#include "monitor_rig.h"

namespace kestrel::fwtest {
namespace {

// Keys that store the bytes (hex pairs separated by blanks) from address on.
std::string EnterBytes(const std::string& address, const std::string& bytes) {
    std::istringstream in(bytes);
    std::string sequence = "ADDR " + address + " DATA";
    std::string byte;
    bool first = true;
    while (in >> byte) {
        sequence += first ? " " : " + ";
        sequence += byte;
        first = false;
    }
    return sequence;
}

bool NoBreakOpcodeLeft(MonitorRig& rig, uint16_t from, uint16_t to) {
    for (uint32_t a = from; a <= to; ++a) {
        if (rig.Byte(static_cast<uint16_t>(a)) == 0xF7) return false;
    }
    return true;
}

TEST(MonitorStart, ColdStartGreetsClearsWorkRamAndMarks1FE5) {
    MonitorRig rig;
    EXPECT_EQ(rig.Display(), " HELL0");  // O and 0 share a pattern
    EXPECT_EQ(rig.Byte(kColdMarker), 0xA5);
    EXPECT_EQ(rig.Word(kAddressField), 0x1800);
    EXPECT_EQ(rig.Word(kUserPC), 0x1800);
    EXPECT_EQ(rig.Word(kUserSP), 0x1F80);
    EXPECT_EQ(rig.Word(kRegBC), 0x0000);
    EXPECT_EQ(rig.Word(kRegIX), 0x0000);
    EXPECT_EQ(rig.m().PortCLatch & 0x80, 0x80);  // TONE lamp off
    EXPECT_EQ(rig.m().Cpu.IM, 1);
}

TEST(MonitorStart, SoftResetKeepsUserRamAndTheMonitorState) {
    MonitorRig rig;
    ASSERT_TRUE(rig.Keys(EnterBytes("1800", "12 34 56")));
    ASSERT_TRUE(rig.Keys("ADDR 1802 SBR"));
    ResetBoard(rig.m(), false);
    ASSERT_TRUE(rig.RunUntilIdle());
    EXPECT_EQ(rig.Display(), " HELL0");  // O and 0 share a pattern
    EXPECT_EQ(rig.Byte(0x1800), 0x12);
    EXPECT_EQ(rig.Byte(0x1801), 0x34);
    EXPECT_EQ(rig.Byte(0x1802), 0x56);
    EXPECT_EQ(rig.Word(kAddressField), 0x1802);
    EXPECT_EQ(rig.Byte(kColdMarker), 0xA5);
    // Any key leaves the greeting for the address display.
    ASSERT_TRUE(rig.Keys("ADDR"));
    EXPECT_EQ(rig.Display(), "1.8.0.2.56");
}

TEST(MonitorStart, HardResetStartsColdAgain) {
    MonitorRig rig;
    ASSERT_TRUE(rig.Keys("ADDR 1810 SBR REG 1 BEEF ADDR 1820"));
    ResetBoard(rig.m(), true);
    ASSERT_TRUE(rig.RunUntilIdle());
    EXPECT_EQ(rig.Display(), " HELL0");
    EXPECT_EQ(rig.Word(kRegBC), 0x0000);
    EXPECT_EQ(rig.Word(kAddressField), 0x1800);
    EXPECT_EQ(rig.Byte(0x1FEF), 0x00);  // no breakpoint
    // The board ignores a port B write from 063Ah: the ROM keeps data there.
    EXPECT_FALSE(rig.Byte(0x063A) == 0xD3 && (rig.Byte(0x063B) & 3) == 1);
}

TEST(MonitorStart, SoftResetWhileRunningTakesThePlantedBreakpointOut) {
    MonitorRig rig;
    // 1800 JR 1800 never reaches the breakpoint at 1805.
    ASSERT_TRUE(rig.Keys(EnterBytes("1800", "18 FE 00 00 00 3C")));
    ASSERT_TRUE(rig.Keys("ADDR 1805 SBR ADDR 1800"));
    ASSERT_TRUE(rig.Click("GO", false));
    rig.Run(500);
    ASSERT_EQ(rig.Byte(0x1805), 0xF7);  // planted while the program runs
    ResetBoard(rig.m(), false);
    ASSERT_TRUE(rig.RunUntilIdle());
    EXPECT_EQ(rig.Byte(0x1805), 0x3C);
}

TEST(MonitorKeys, AddrAndHexKeysFillTheAddressField) {
    MonitorRig rig;
    rig.Poke(0x1800, 0x5A);
    ASSERT_TRUE(rig.Keys("ADDR 1800"));
    EXPECT_EQ(rig.Display(), "1.8.0.0.5A");
    EXPECT_EQ(rig.Word(kAddressField), 0x1800);
    // Only the last four digits count.
    ASSERT_TRUE(rig.Keys("ADDR 71800"));
    EXPECT_EQ(rig.Word(kAddressField), 0x1800);
    ASSERT_TRUE(rig.Keys("DATA"));
    EXPECT_EQ(rig.Display(), "18005.A.");
}

TEST(MonitorKeys, ClicksFasterThanTheScanArriveWholeAndInOrder) {
    MonitorRig rig;
    ASSERT_TRUE(rig.Burst("ADDR 1 8 0 0 DATA 2 1 + 4 4"));
    EXPECT_EQ(rig.Byte(0x1800), 0x21);
    EXPECT_EQ(rig.Byte(0x1801), 0x44);
    EXPECT_EQ(rig.Word(kAddressField), 0x1801);
}

TEST(MonitorKeys, DataKeysStoreBytesPlusAndMinusMove) {
    MonitorRig rig;
    ASSERT_TRUE(rig.Keys("ADDR 1800 DATA 3E + 47"));
    EXPECT_EQ(rig.Byte(0x1800), 0x3E);
    EXPECT_EQ(rig.Byte(0x1801), 0x47);
    EXPECT_EQ(rig.Display(), "18014.7.");
    ASSERT_TRUE(rig.Keys("-"));
    EXPECT_EQ(rig.Display(), "18003.E.");
    // ROM does not take the byte; the display shows what is there.
    ASSERT_TRUE(rig.Keys("ADDR 0000 DATA 12"));
    EXPECT_EQ(rig.Byte(0x0000), 0xF3);
    EXPECT_EQ(rig.Display(), "0000F.3.");
}

TEST(MonitorKeys, EveryKeyPassesThe05E4ClickWithTheToneLampLit) {
    MonitorRig rig;
    const int beeps = rig.Beeps();
    const int lit = rig.BeepsWithLamp();
    ASSERT_TRUE(rig.Keys("ADDR 18 + TAPERD"));
    EXPECT_EQ(rig.Beeps() - beeps, 5);
    EXPECT_EQ(rig.BeepsWithLamp() - lit, 5);
    EXPECT_EQ(rig.m().PortCLatch & 0x80, 0x80);  // lamp off again
}

TEST(MonitorKeys, TapeKeysShowNoTape) {
    MonitorRig rig;
    ASSERT_TRUE(rig.Keys("TAPEWR"));
    EXPECT_EQ(rig.Display(), "no.tAPE");
    ASSERT_TRUE(rig.Keys("ADDR"));
    EXPECT_EQ(rig.Display().substr(0, 8), "1.8.0.0.");
    ASSERT_TRUE(rig.Keys("TAPERD"));
    EXPECT_EQ(rig.Display(), "no.tAPE");
}

TEST(MonitorKeys, DataEntryLeavesTheMonitorStackAlone) {
    MonitorRig rig;
    const uint8_t before = rig.Byte(0x1F9E);
    ASSERT_TRUE(rig.Keys("ADDR 1F9E DATA 12 34"));
    EXPECT_EQ(rig.Byte(0x1F9E), before);
    ASSERT_TRUE(rig.Keys("ADDR 1800 DATA 9"));
    EXPECT_EQ(rig.Byte(0x1800) & 0x0F, 0x09);
}

TEST(MonitorGo, ProgramEnteredOnTheKeypadAddsAndShowsTheSum) {
    MonitorRig rig;
    // 1800 LD A,(1840) / LD HL,1841 / ADD A,(HL) / LD (1842),A
    // 180A LD HL,1850 / LD B,4 / 180F LD (HL),0 / INC HL / DJNZ 180F
    // 1814 LD C,A / RRCA x4 / RST 10h / LD (HL),A / INC HL / LD A,C / RST 10h
    // 181E LD (HL),A / LD HL,1850 / RST 08h / HALT
    ASSERT_TRUE(rig.Keys(EnterBytes("1800",
        "3A 40 18 21 41 18 86 32 42 18 21 50 18 06 04 36 00 23 10 FB "
        "4F 0F 0F 0F 0F D7 77 23 79 D7 77 21 50 18 CF 76")));
    ASSERT_TRUE(rig.Keys(EnterBytes("1840", "25 17")));
    const int blanks = rig.Blanks();
    ASSERT_TRUE(rig.Keys("ADDR 1800"));
    ASSERT_TRUE(rig.Click("GO", false));
    ASSERT_TRUE(rig.RunUntilHalted());
    EXPECT_EQ(rig.Blanks() - blanks, 1);  // GO went through 02E1
    EXPECT_EQ(rig.Byte(0x1842), 0x3C);
    EXPECT_EQ(rig.Display(), "    3C");
}

TEST(MonitorGo, GoRefusesAUserStackOutsideUserRam) {
    MonitorRig rig;
    ASSERT_TRUE(rig.Keys(EnterBytes("1800", "76")));
    ASSERT_TRUE(rig.Keys("REG A 0000 ADDR 1800 GO"));
    EXPECT_EQ(rig.Display(), "Error ");
    EXPECT_FALSE(rig.m().Cpu.Halted);
    ASSERT_TRUE(rig.Keys("REG A 1FF0 ADDR 1800 GO"));
    EXPECT_EQ(rig.Display(), "Error ");
}

TEST(MonitorStep, StepsOverJrCallAndRet) {
    MonitorRig rig;
    // 1800 JR 1804 / 1804 CALL 1810 / 1807 NOP / 1810 RET
    ASSERT_TRUE(rig.Keys(EnterBytes("1800", "18 02 00 00 CD 10 18 00")));
    ASSERT_TRUE(rig.Keys(EnterBytes("1810", "C9")));
    ASSERT_TRUE(rig.Keys("ADDR 1800 STEP"));
    EXPECT_EQ(rig.Word(kUserPC), 0x1804);
    EXPECT_EQ(rig.Display(), "1.8.0.4.Cd");
    ASSERT_TRUE(rig.Keys("STEP"));
    EXPECT_EQ(rig.Word(kUserPC), 0x1810);
    EXPECT_EQ(rig.Word(kUserSP), 0x1F7E);
    EXPECT_EQ(rig.Word(0x1F7E), 0x1807);
    EXPECT_EQ(rig.Display(), "1.8.1.0.C9");
    ASSERT_TRUE(rig.Keys("STEP"));
    EXPECT_EQ(rig.Word(kUserPC), 0x1807);
    EXPECT_EQ(rig.Word(kUserSP), 0x1F80);
    EXPECT_EQ(rig.Byte(0x1802), 0x00);
    EXPECT_EQ(rig.Byte(0x1804), 0xCD);
    EXPECT_TRUE(NoBreakOpcodeLeft(rig, 0x1800, 0x1811));
}

TEST(MonitorStep, ConditionalFormsFollowTheFlags) {
    MonitorRig rig;
    // 1800 DJNZ 1804 / 1804 JR Z,1809 / 1806 CALL NZ,1820
    // 1820 RET Z / 1821 RET NZ
    ASSERT_TRUE(rig.Keys(EnterBytes("1800", "10 02 00 00 28 03 C4 20 18 00")));
    ASSERT_TRUE(rig.Keys(EnterBytes("1820", "C8 C0")));
    ASSERT_TRUE(rig.Keys("REG 1 0200"));
    EXPECT_EQ(rig.Display(), "0.2.0.0.bC");
    ASSERT_TRUE(rig.Keys("ADDR 1800 STEP"));
    EXPECT_EQ(rig.Word(kUserPC), 0x1804);  // B 2 -> 1: taken
    EXPECT_EQ(rig.Word(kRegBC), 0x0100);
    ASSERT_TRUE(rig.Keys("STEP"));
    EXPECT_EQ(rig.Word(kUserPC), 0x1806);  // Z clear: not taken
    ASSERT_TRUE(rig.Keys("STEP"));
    EXPECT_EQ(rig.Word(kUserPC), 0x1820);  // NZ: called
    EXPECT_EQ(rig.Word(0x1F7E), 0x1809);
    ASSERT_TRUE(rig.Keys("STEP"));
    EXPECT_EQ(rig.Word(kUserPC), 0x1821);  // RET Z: stays
    ASSERT_TRUE(rig.Keys("STEP"));
    EXPECT_EQ(rig.Word(kUserPC), 0x1809);  // RET NZ: returns
    EXPECT_EQ(rig.Word(kUserSP), 0x1F80);
    EXPECT_TRUE(NoBreakOpcodeLeft(rig, 0x1800, 0x1822));
}

TEST(MonitorStep, IndirectJumpsRestartsAndCallsIntoRom) {
    MonitorRig rig;
    // 1800 LD HL,1810 / JP (HL) / 1810 LD A,5 / RST 10h / CALL 0010h / JP (IX)
    ASSERT_TRUE(rig.Keys(EnterBytes("1800", "21 10 18 E9")));
    ASSERT_TRUE(rig.Keys(EnterBytes("1810", "3E 05 D7 CD 10 00 DD E9")));
    ASSERT_TRUE(rig.Keys("ADDR 1800 STEP STEP"));
    EXPECT_EQ(rig.Word(kUserPC), 0x1810);
    ASSERT_TRUE(rig.Keys("STEP STEP"));
    EXPECT_EQ(rig.Word(kUserPC), 0x1813);
    EXPECT_EQ(rig.Byte(kRegAF + 1), 0xAE);  // the pattern of 5
    ASSERT_TRUE(rig.Keys("STEP"));
    EXPECT_EQ(rig.Word(kUserPC), 0x1816);
    EXPECT_EQ(rig.Byte(kRegAF + 1), 0x8F);  // the pattern of E
    ASSERT_TRUE(rig.Keys("REG 8 1802 PC"));
    EXPECT_EQ(rig.Display(), "1.8.1.6.dd");
    ASSERT_TRUE(rig.Keys("STEP"));
    EXPECT_EQ(rig.Word(kUserPC), 0x1802);
    EXPECT_TRUE(NoBreakOpcodeLeft(rig, 0x1800, 0x1818));
}

TEST(MonitorStep, StepRefusesWhereNoBreakpointCanGo) {
    MonitorRig rig;
    // JP 0000h cannot be stopped in ROM; JR to itself has nowhere to stop.
    ASSERT_TRUE(rig.Keys(EnterBytes("1800", "C3 00 00 18 FE")));
    ASSERT_TRUE(rig.Keys("ADDR 1800 STEP"));
    EXPECT_EQ(rig.Display(), "Error ");
    ASSERT_TRUE(rig.Keys("ADDR 1803 STEP"));
    EXPECT_EQ(rig.Display(), "Error ");
    EXPECT_TRUE(NoBreakOpcodeLeft(rig, 0x1800, 0x1806));
}

TEST(MonitorBreak, SbrStopsGoWithTheRegistersSaved) {
    MonitorRig rig;
    // 1800 INC A / 1801 INC A / 1802 JR 1800
    ASSERT_TRUE(rig.Keys(EnterBytes("1800", "3C 3C 18 FC")));
    ASSERT_TRUE(rig.Keys("ADDR 1801 SBR ADDR 1800 GO"));
    EXPECT_EQ(rig.Word(kUserPC), 0x1801);
    EXPECT_EQ(rig.Byte(kRegAF + 1), 0x01);
    EXPECT_EQ(rig.Display(), "1.8.0.1.3C");
    EXPECT_EQ(rig.Byte(0x1801), 0x3C);
    // GO from the breakpoint itself runs one round and stops there again.
    ASSERT_TRUE(rig.Keys("GO"));
    EXPECT_EQ(rig.Word(kUserPC), 0x1801);
    EXPECT_EQ(rig.Byte(kRegAF + 1), 0x03);
    // After CBR the loop runs until MONI.
    ASSERT_TRUE(rig.Keys("CBR"));
    ASSERT_TRUE(rig.Click("GO", false));
    rig.Run(3000);
    EnterNmi(rig.m());
    ASSERT_TRUE(rig.RunUntilIdle());
    const uint16_t pc = rig.Word(kUserPC);
    EXPECT_TRUE(pc >= 0x1800 && pc <= 0x1802) << pc;
    EXPECT_EQ(rig.Byte(0x1801), 0x3C);
    EXPECT_TRUE(NoBreakOpcodeLeft(rig, 0x1800, 0x1803));
}

TEST(MonitorBreak, OwnRst30StopsAfterItself) {
    MonitorRig rig;
    // 1800 LD A,77 / RST 30h / NOP
    ASSERT_TRUE(rig.Keys(EnterBytes("1800", "3E 77 F7 00")));
    ASSERT_TRUE(rig.Keys("ADDR 1800 GO"));
    EXPECT_EQ(rig.Word(kUserPC), 0x1803);
    EXPECT_EQ(rig.Byte(kRegAF + 1), 0x77);
    EXPECT_EQ(rig.Word(kUserSP), 0x1F80);
    EXPECT_EQ(rig.Byte(0x1802), 0xF7);  // the program's own byte stays
}

TEST(MonitorBreak, InterruptStateSurvivesAStep) {
    MonitorRig rig;
    // 1800 EI / 1801 JR 1801; INTR handler 1810 LD A,66 / LD (1880),A / EI / RETI
    ASSERT_TRUE(rig.Keys(EnterBytes("1800", "FB 18 FE")));
    ASSERT_TRUE(rig.Keys(EnterBytes("1810", "3E 66 32 80 18 FB ED 4D")));
    ASSERT_TRUE(rig.Keys(EnterBytes("1FD7", "10 18")));
    ASSERT_TRUE(rig.Keys("ADDR 1800 STEP"));
    EXPECT_EQ(rig.Word(kUserPC), 0x1801);
    EXPECT_FALSE(AcceptInterrupt(rig.m()));  // the monitor runs with DI
    // GO brings the enabled state back with the registers.
    ASSERT_TRUE(rig.Click("GO", false));
    rig.Run(3000);
    EXPECT_EQ(rig.m().Cpu.IFF, 4);
    ASSERT_TRUE(AcceptInterrupt(rig.m()));
    rig.Run(100);
    EXPECT_EQ(rig.Byte(0x1880), 0x66);
}

TEST(MonitorBreak, GoStillResumesAfterTheProgramOverwroteTheMonitorsStub) {
    MonitorRig rig;
    // LD A,76 / LD (1FC9),A / LD (1FCE),A / RST 30h / 1809 INC A / HALT
    ASSERT_TRUE(rig.Keys(EnterBytes("1800", "3E 76 32 C9 1F 32 CE 1F F7 3C 76")));
    ASSERT_TRUE(rig.Keys("ADDR 1800 GO"));
    ASSERT_EQ(rig.Word(kUserPC), 0x1809);
    ASSERT_TRUE(rig.Click("GO", false));
    ASSERT_TRUE(rig.RunUntilHalted());
    EXPECT_EQ(rig.m().Cpu.PC, 0x180A);
    EXPECT_EQ(rig.m().Cpu.A, 0x77);
}

TEST(MonitorBreak, SbrRefusesRom) {
    MonitorRig rig;
    ASSERT_TRUE(rig.Keys("ADDR 0100 SBR"));
    EXPECT_EQ(rig.Display(), "Error ");
}

TEST(MonitorNmi, MoniSavesEveryRegisterAndGoResumes) {
    MonitorRig rig;
    // LD BC,1234 / LD DE,5678 / LD HL,9ABC / LD IX,CDEF / LD IY,EF01
    // LD A,42 / LD SP,1900 / EXX / LD BC,4321 / EXX / 181B JR 181B
    ASSERT_TRUE(rig.Keys(EnterBytes("1800",
        "01 34 12 11 78 56 21 BC 9A DD 21 EF CD FD 21 01 EF 3E 42 31 00 19 "
        "D9 01 21 43 D9 18 FE")));
    ASSERT_TRUE(rig.Keys("ADDR 1800"));
    ASSERT_TRUE(rig.Click("GO", false));
    rig.Run(500);
    EnterNmi(rig.m());
    ASSERT_TRUE(rig.RunUntilIdle());
    EXPECT_EQ(rig.Word(kRegBC), 0x1234);
    EXPECT_EQ(rig.Word(kRegDE), 0x5678);
    EXPECT_EQ(rig.Word(kRegHL), 0x9ABC);
    EXPECT_EQ(rig.Word(kRegIX), 0xCDEF);
    EXPECT_EQ(rig.Word(kRegIY), 0xEF01);
    EXPECT_EQ(rig.Word(kRegBC2), 0x4321);
    EXPECT_EQ(rig.Byte(kRegAF + 1), 0x42);
    EXPECT_EQ(rig.Word(kUserSP), 0x1900);
    EXPECT_EQ(rig.Word(kUserPC), 0x181B);
    EXPECT_EQ(rig.Display(), "1.8.1.b.18");
    ASSERT_TRUE(rig.Keys("REG 1"));
    EXPECT_EQ(rig.Display(), "1.2.3.4.bC");
    ASSERT_TRUE(rig.Keys("+ +"));
    EXPECT_EQ(rig.Display(), "9.A.b.C.HL");
    ASSERT_TRUE(rig.Keys("REG B"));
    EXPECT_EQ(rig.Display(), "1.8.1.b.PC");
    // GO at the saved PC puts every register back.
    ASSERT_TRUE(rig.Keys("PC"));
    ASSERT_TRUE(rig.Click("GO", false));
    rig.Run(3000);
    const Z80State& cpu = rig.m().Cpu;
    EXPECT_EQ(cpu.PC, 0x181B);
    EXPECT_EQ(GetBC(cpu), 0x1234);
    EXPECT_EQ(GetDE(cpu), 0x5678);
    EXPECT_EQ(GetHL(cpu), 0x9ABC);
    EXPECT_EQ(cpu.IX, 0xCDEF);
    EXPECT_EQ(cpu.IY, 0xEF01);
    EXPECT_EQ(cpu.A, 0x42);
    EXPECT_EQ(cpu.SP, 0x1900);
    EXPECT_EQ(cpu.AltB, 0x43);
    EXPECT_EQ(cpu.AltC, 0x21);
}

TEST(MonitorNmi, MoniWhileGoIsStillLeavingTheMonitorKeepsTheSavedState) {
    MonitorRig rig;
    // 1800 JR 1800, breakpoint at 1802 (never reached).
    ASSERT_TRUE(rig.Keys(EnterBytes("1800", "18 FE 00")));
    ASSERT_TRUE(rig.Keys("REG 1 4321 ADDR 1802 SBR ADDR 1800"));
    ASSERT_TRUE(rig.Click("GO", false));
    const uint16_t resume = MonitorRig::Symbol("RESUME_NB");
    for (int i = 0; i < 100'000 && rig.m().Cpu.PC != resume + 13; ++i) rig.Step();
    ASSERT_EQ(rig.m().Cpu.PC, resume + 13);  // registers half restored
    ASSERT_EQ(rig.Byte(0x1802), 0xF7);
    EnterNmi(rig.m());
    ASSERT_TRUE(rig.RunUntilIdle());
    EXPECT_EQ(rig.Word(kRegBC), 0x4321);
    EXPECT_EQ(rig.Word(kUserPC), 0x1800);
    EXPECT_EQ(rig.Word(kUserSP), 0x1F80);
    EXPECT_EQ(rig.Byte(0x1802), 0x00);  // the breakpoint is out again
    ASSERT_TRUE(rig.Keys("ADDR"));
    EXPECT_EQ(rig.Display(), "1.8.0.0.18");
}

TEST(MonitorNmi, MoniInsideTheMonitorJustRedraws) {
    MonitorRig rig;
    ASSERT_TRUE(rig.Keys(EnterBytes("1800", "AB")));
    const uint16_t pc = rig.Word(kUserPC);
    EnterNmi(rig.m());
    ASSERT_TRUE(rig.RunUntilIdle());
    EXPECT_EQ(rig.Display(), "1800A.b.");
    EXPECT_EQ(rig.Word(kUserPC), pc);
}

TEST(MonitorInterrupt, IntrReachesTheRamVectorInImOne) {
    MonitorRig rig;
    // 1800 EI / 1801 JR 1801; handler 1810 LD A,55 / LD (1880),A / EI / RETI
    ASSERT_TRUE(rig.Keys(EnterBytes("1800", "FB 18 FE")));
    ASSERT_TRUE(rig.Keys(EnterBytes("1810", "3E 55 32 80 18 FB ED 4D")));
    ASSERT_TRUE(rig.Keys(EnterBytes("1FD7", "10 18")));
    ASSERT_TRUE(rig.Keys("ADDR 1800"));
    ASSERT_TRUE(rig.Click("GO", false));
    rig.Run(3000);
    ASSERT_TRUE(AcceptInterrupt(rig.m()));
    rig.Run(100);
    EXPECT_EQ(rig.Byte(0x1880), 0x55);
    EXPECT_EQ(rig.m().Cpu.PC, 0x1801);
}

TEST(MonitorEntryPoints, ScanKeySeesUserKeyAndHexKeys) {
    MonitorRig rig;
    // 1800 RST 20h / JR NC,1800 / LD (1880),A / HALT
    ASSERT_TRUE(rig.Keys(EnterBytes("1800", "E7 30 FD 32 80 18 76")));
    ASSERT_TRUE(rig.Keys("ADDR 1800 GO"));  // back when the program scans
    rig.m().UserKeyPending = true;
    ASSERT_TRUE(rig.RunUntilHalted());
    EXPECT_EQ(rig.Byte(0x1880), 0x20);
    // MONI leaves the HALT for the monitor; the halted PC is shown.
    EnterNmi(rig.m());
    ASSERT_TRUE(rig.RunUntilIdle());
    EXPECT_EQ(rig.Word(kUserPC), 0x1807);
    ASSERT_TRUE(rig.Keys("ADDR 1800 GO"));
    ASSERT_TRUE(rig.Click("B", false));
    ASSERT_TRUE(rig.RunUntilHalted());
    EXPECT_EQ(rig.Byte(0x1880), 0x0B);
}

TEST(MonitorEntryPoints, ToneReturnsWithRegistersKeptAndLampOff) {
    MonitorRig rig;
    // LD C,3 / LD HL,0005 / RST 28h / HALT
    ASSERT_TRUE(rig.Keys(EnterBytes("1800", "0E 03 21 05 00 EF 76")));
    ASSERT_TRUE(rig.Keys("ADDR 1800"));
    ASSERT_TRUE(rig.Click("GO", false));
    ASSERT_TRUE(rig.RunUntilHalted());
    EXPECT_EQ(GetHL(rig.m().Cpu), 0x0005);
    EXPECT_EQ(rig.m().Cpu.C, 0x03);
    EXPECT_EQ(rig.m().PortCLatch & 0x80, 0x80);
}

TEST(MonitorEdit, MoveCopiesOverlappingRangesSafely) {
    MonitorRig rig;
    ASSERT_TRUE(rig.Keys(EnterBytes("1800", "11 22 33 44 00 00")));
    ASSERT_TRUE(rig.Keys("ADDR 1800 MOVE"));
    EXPECT_EQ(rig.Display(), "1.8.0.0.-5");
    ASSERT_TRUE(rig.Keys("+ 1803"));
    EXPECT_EQ(rig.Display(), "1.8.0.3.-E");
    ASSERT_TRUE(rig.Keys("+ 1802"));
    EXPECT_EQ(rig.Display(), "1.8.0.2.-d");
    ASSERT_TRUE(rig.Keys("GO"));
    const uint8_t up[] = {0x11, 0x22, 0x11, 0x22, 0x33, 0x44};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(rig.Byte(0x1800 + i), up[i]) << i;
    EXPECT_EQ(rig.Display(), "1.8.0.2.11");
    // Downwards: 1802-1805 to 1801.
    ASSERT_TRUE(rig.Keys("ADDR 1802 MOVE + 1805 + 1801 GO"));
    const uint8_t down[] = {0x11, 0x11, 0x22, 0x33, 0x44, 0x44};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(rig.Byte(0x1800 + i), down[i]) << i;
}

TEST(MonitorEdit, MoveRefusesTheWorkAreaAndReversedRanges) {
    MonitorRig rig;
    ASSERT_TRUE(rig.Keys(EnterBytes("1800", "11 22 33 44")));
    const uint16_t sp = rig.Word(kUserSP);
    ASSERT_TRUE(rig.Keys("ADDR 1800 MOVE + 1803 + 1F7E GO"));
    EXPECT_EQ(rig.Display(), "Error ");
    EXPECT_EQ(rig.Word(kUserSP), sp);
    ASSERT_TRUE(rig.Keys("ADDR 1803 MOVE + 1800 + 1900 GO"));
    EXPECT_EQ(rig.Display(), "Error ");
    // Up to just below the work area is fine.
    ASSERT_TRUE(rig.Keys("ADDR 1800 MOVE + 1803 + 1F7C GO"));
    EXPECT_EQ(rig.Byte(0x1F7F), 0x44);
}

TEST(MonitorEdit, RelaStoresTheBranchOffset) {
    MonitorRig rig;
    ASSERT_TRUE(rig.Keys(EnterBytes("1810", "18 00")));
    ASSERT_TRUE(rig.Keys("ADDR 1810 RELA + 1800 GO"));
    EXPECT_EQ(rig.Byte(0x1811), 0xEE);  // 1800 - 1812 = -18
    EXPECT_EQ(rig.Display(), "1811E.E.");
    ASSERT_TRUE(rig.Keys("ADDR 1810 RELA + 1891 GO"));
    EXPECT_EQ(rig.Byte(0x1811), 0x7F);  // the farthest forward
    ASSERT_TRUE(rig.Keys("ADDR 1810 RELA + 1892 GO"));
    EXPECT_EQ(rig.Display(), "Error ");
    EXPECT_EQ(rig.Byte(0x1811), 0x7F);
    ASSERT_TRUE(rig.Keys("ADDR 1810 RELA + 1792 GO"));
    EXPECT_EQ(rig.Byte(0x1811), 0x80);  // the farthest back
}

TEST(MonitorEdit, InsAndDelShiftUserRam) {
    MonitorRig rig;
    ASSERT_TRUE(rig.Keys(EnterBytes("1800", "11 22 33")));
    rig.Poke(0x1F7E, 0x77);
    rig.Poke(0x1F7F, 0x99);
    ASSERT_TRUE(rig.Keys("ADDR 1801 INS"));
    EXPECT_EQ(rig.Byte(0x1800), 0x11);
    EXPECT_EQ(rig.Byte(0x1801), 0x00);
    EXPECT_EQ(rig.Byte(0x1802), 0x22);
    EXPECT_EQ(rig.Byte(0x1803), 0x33);
    EXPECT_EQ(rig.Byte(0x1F7F), 0x77);
    EXPECT_EQ(rig.Display(), "18010.0.");
    ASSERT_TRUE(rig.Keys("DEL"));
    EXPECT_EQ(rig.Byte(0x1801), 0x22);
    EXPECT_EQ(rig.Byte(0x1802), 0x33);
    EXPECT_EQ(rig.Byte(0x1F7E), 0x77);
    EXPECT_EQ(rig.Byte(0x1F7F), 0x00);
    ASSERT_TRUE(rig.Keys("ADDR 0100 INS"));
    EXPECT_EQ(rig.Display(), "Error ");
    ASSERT_TRUE(rig.Keys("ADDR 1F80 DEL"));
    EXPECT_EQ(rig.Display(), "Error ");
}

// Control transfers and HALT leave PC somewhere else than after the
// instruction; the length sweep leaves them out (the STEP tests cover them).
bool TransfersControl(uint8_t op) {
    if (op == 0x10 || op == 0x18 || (op & 0xE7) == 0x20) return true;  // DJNZ, JR
    if (op == 0xC3 || op == 0xCD || op == 0xC9 || op == 0xE9 || op == 0x76) return true;
    const uint8_t z = op & 7;
    return (op & 0xC0) == 0xC0 && (z == 0 || z == 2 || z == 4 || z == 7);
}

// The length STEP computes for every instruction form, against how far the
// core moves PC when it executes that instruction.
TEST(MonitorDecode, InstructionLengthsAgreeWithTheCore) {
    MonitorRig rig;
    const uint16_t oplen = MonitorRig::Symbol("OPLEN");
    const std::vector<std::vector<uint8_t>> prefixes = {
        {}, {0xCB}, {0xED}, {0xDD}, {0xFD}, {0xDD, 0xCB, 0x05}, {0xFD, 0xCB, 0x05}};
    int checked = 0;
    for (const auto& prefix : prefixes) {
        for (int op = 0; op < 256; ++op) {
            const bool indexed = prefix.size() == 1 && (prefix[0] == 0xDD || prefix[0] == 0xFD);
            if (prefix.empty() || indexed) {
                if (TransfersControl(static_cast<uint8_t>(op))) continue;
                if (op == 0xCB || op == 0xDD || op == 0xED || op == 0xFD) continue;
            }
            if (prefix.size() == 1 && prefix[0] == 0xED && (op & 0xC7) == 0x45) continue;  // RETN/RETI
            std::vector<uint8_t> bytes = prefix;
            bytes.push_back(static_cast<uint8_t>(op));
            for (uint8_t operand : {0x05, 0x06, 0x07}) bytes.push_back(operand);

            auto core = std::make_unique<MachineRecord>();
            InitMachine(*core);
            ResetCpu(*core);
            for (size_t i = 0; i < bytes.size(); ++i) core->MemoryImage[0x1900 + i] = bytes[i];
            core->Cpu.PC = 0x1900;
            core->Cpu.SP = 0x1F00;
            core->Cpu.B = 1;  // repeating block instructions run once
            core->Cpu.C = 1;
            SetHL(core->Cpu, 0x1A00);
            SetDE(core->Cpu, 0x1B00);
            ExecuteInstruction(*core);
            const int expected = core->Cpu.PC - 0x1900;

            for (size_t i = 0; i < bytes.size(); ++i) rig.Poke(static_cast<uint16_t>(0x1900 + i), bytes[i]);
            const int length = rig.Call(oplen, 0x1900);
            EXPECT_EQ(length, expected) << "prefix size " << prefix.size() << " opcode " << op;
            ++checked;
        }
    }
    EXPECT_GT(checked, 1500);
}

}  // namespace
}  // namespace kestrel::fwtest
