// The main window's command table: one row for every command of the menus, the
// accelerators and the tool bars, read by the menu graying (ApplyCommandStates),
// the tool bars' button states, IsCommandEnabled and the WM_COMMAND dispatch.
// A new command is a new row. A row without a handler is a command that is not
// built yet: its menu items are gray and its shortcut is refused.
#pragma once
#include <windows.h>

#include <span>

struct CommandRow {
    UINT id;
    // When the command may run; null: whenever it has a handler.
    bool (*enabled)();
    // Carries the command out; lParam is the control of a tool-bar click (non-zero) or 0.
    void (*run)(HWND window, UINT id, LPARAM lParam);
};

std::span<const CommandRow> CommandTable();
// The row of a command id, or null for an id that is not a command of the table
// (the "Open with" programs are a numbered range outside it).
const CommandRow* FindCommandRow(UINT id);
// Runs the command when it is enabled; false, with nothing done, when it is not.
bool RunCommand(HWND window, UINT id, LPARAM lParam);

// For tests that walk the whole table through the dispatch without carrying a
// command out: while a hook is set, a command whose row has a handler is
// handed to the hook (with whether it is enabled now) instead of being run.
// Null gives the handlers back.
using CommandRunHook = void (*)(UINT id, bool enabled);
void SetCommandRunHook(CommandRunHook hook);
