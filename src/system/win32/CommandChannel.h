#pragma once
// The Win32 ends of the command channel: what a later start needs before it
// hands a command over (full paths, a way to say why it was refused) and what
// the running copy asks about the window that sent one.
#include "platform/win32/WinApi.h"

#include <string>

#include "system/Commands.h"

namespace win32 {

// Relative paths made full against this process's current folder: the running
// copy's folder is another.
void MakePathsFull(TCommand& command);

// True when the window that sent a message belongs to a process of this
// process's session and user. Messages come only from this desktop, and the
// system keeps lower integrity levels from sending WM_COPYDATA at all; what is
// left to ask is whether another account's process, started in this session,
// sent it.
bool SentByThisUser(HWND sender);

// One line for the user: on the console or the output the start was given,
// in a message box when it has neither.
void TellUser(const std::string& line, const std::string& title);

}  // namespace win32
