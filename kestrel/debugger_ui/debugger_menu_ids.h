// Identifiers of the debugger window's menu items. Each item's objectName is
// "debuggerMenu" followed by its identifier.
#pragma once

namespace kestrel::debugger_menu {

// "File"
inline constexpr int kLoadBin = 1;
inline constexpr int kSaveBin = 2;
inline constexpr int kExit = 4;
// "Emulation"
inline constexpr int kHardReset = 5;
inline constexpr int kSoftReset = 6;
inline constexpr int kRun = 7;
inline constexpr int kViewTvOutput = 8;  // has no action
// "Breakpoint": "Flag..." S Z 5 H 3 P N C Any are 9-17 (flag break codes 0-8),
// "Opcode...", then the registers in RegisterCode order (break kinds 19-35).
inline constexpr int kBreakOnFlagFirst = 9;
inline constexpr int kBreakOnFlagLast = 17;
inline constexpr int kBreakOnOpcode = 18;
inline constexpr int kBreakOnRegisterFirst = 19;
inline constexpr int kBreakOnRegisterLast = 35;
// "Tools": "Load Register..." lists the registers in RegisterCode order (38-54).
inline constexpr int kDebugToFile = 36;
inline constexpr int kDisassembleToFile = 37;
inline constexpr int kLoadRegisterFirst = 38;
inline constexpr int kLoadRegisterLast = 54;
inline constexpr int kForceMode0 = 55;  // "Force Mode" 0, 1, 2: 55-57
inline constexpr int kForceMode2 = 57;
inline constexpr int kForceDisable = 58;
inline constexpr int kForceEnable = 59;
inline constexpr int kHexDump = 60;
inline constexpr int kPeek = 61;
inline constexpr int kPoke = 62;
// Beyond the original menus: symbols ("File"), stepping ("Emulation") and
// the breakpoint list ("Breakpoint").
inline constexpr int kLoadSymbols = 63;
inline constexpr int kShowSymbols = 64;
inline constexpr int kStepOver = 65;
inline constexpr int kStepOut = 66;
inline constexpr int kRunToAddress = 67;
inline constexpr int kBreakpoints = 68;

}  // namespace kestrel::debugger_menu
