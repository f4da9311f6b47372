// The few operating-system calls that dialog code makes, with the platform's
// names and constants, answered by the forms model and the UI service: window
// messages to controls, the state of a key, opening a document or link.
#pragma once

#include <cstdint>
#include <string>

namespace Controls {
class TWinControl;
}

namespace Windows {

// A window handle is the windowed control itself.
using HWND = Controls::TWinControl*;
using WPARAM = int64_t;
using LPARAM = int64_t;
using LRESULT = int64_t;

// Virtual keys.
inline constexpr int VK_BACK = 0x08;
inline constexpr int VK_TAB = 0x09;
inline constexpr int VK_RETURN = 0x0D;
inline constexpr int VK_SHIFT = 0x10;
inline constexpr int VK_CONTROL = 0x11;
inline constexpr int VK_MENU = 0x12; // Alt
inline constexpr int VK_ESCAPE = 0x1B;
inline constexpr int VK_SPACE = 0x20;
inline constexpr int VK_F1 = 0x70;

// List-box messages the model answers.
inline constexpr uint32_t LB_GETSEL = 0x0187;
inline constexpr uint32_t LB_GETCURSEL = 0x0188;
inline constexpr uint32_t LB_GETCOUNT = 0x018B;
inline constexpr uint32_t LB_GETSELCOUNT = 0x0190;
inline constexpr uint32_t LB_GETHORIZONTALEXTENT = 0x0193;
inline constexpr uint32_t LB_SETHORIZONTALEXTENT = 0x0194;

// Show commands of ShellExecute.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;

// Sends Message to the control and returns its answer; 0 for a null window
// or a message the control does not handle.
LRESULT SendMessage(HWND Wnd, uint32_t Msg, WPARAM WParam, LPARAM LParam);

// The high bit (a negative result) tells that the key is down now, as the
// person at the user interface holds it.
int16_t GetAsyncKeyState(int VirtualKey);

// Opens File (a document or a link such as "mailto:..." or "https://...")
// through the user interface. Returns a value above 32 on success and
// ERROR_FILE_NOT_FOUND (2) when it could not be opened, as the shell does.
// Operation, Parameters, Directory and ShowCmd are accepted for the
// platform's signature; only "open" (or an empty operation) is supported.
inline constexpr int ERROR_FILE_NOT_FOUND = 2;
intptr_t ShellExecute(HWND Owner, const std::string& Operation, const std::string& File,
                      const std::string& Parameters, const std::string& Directory, int ShowCmd);

} // namespace Windows
