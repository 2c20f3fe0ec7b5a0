#pragma once

#include "ui/context_menu_commands.h"

#include <string_view>

// Command numbers of the menus, the toolbar, the accelerators and the list's context menu.
// Users' habits and their old documentation refer to them, so they stay as they always were.
namespace sorpex::command {

inline constexpr int kAcquireAll = 32774;
inline constexpr int kSaveAs = 32775;
inline constexpr int kSave = 32776;
inline constexpr int kNew = 32777;
inline constexpr int kAddPrinter = 32781;
inline constexpr int kChangePrinter = 32782;
inline constexpr int kDeletePrinters = 32783;
inline constexpr int kMoveUp = 32788;
inline constexpr int kMoveDown = 32789;
inline constexpr int kResetIds = 32791;
inline constexpr int kAcquireRange = 32795;
inline constexpr int kDeleteKey = 32800;     // the Delete key: same handler as kDeletePrinters
inline constexpr int kInsertKey = 32801;     // the Insert key: same handler as kAddPrinter
inline constexpr int kAcquireAllKey = 32802; // F5: same handler as kAcquireAll
inline constexpr int kRepeatSettings = 32805;
inline constexpr int kEnvironmentSettings = 32807;
inline constexpr int kUsage = 32820; // new in this version: after every old number
inline constexpr int kOpen = 57601;
inline constexpr int kCopy = 57634;
inline constexpr int kCut = 57635;
inline constexpr int kPaste = 57637;
inline constexpr int kUndo = 57643;
inline constexpr int kAbout = 57664;
inline constexpr int kExit = 57665;
inline constexpr int kPrint = 57607;
inline constexpr int kNextPane = 57680;
inline constexpr int kPreviousPane = 57681;

// The string-table entry of a command: its status-bar prompt, a line feed and its tooltip
// (UTF-8). Empty for a command that has none.
std::string_view commandString(int id);

} // namespace sorpex::command
