#pragma once
// Driving a modal dialog as a user would: the test thread shows it, a second
// thread finds it and operates it through window messages, and what it shows is
// saved as a PNG picture.

#include <windows.h>

#include <functional>
#include <string>

namespace svcgate::test {

// Shows the dialog with `show` on this thread while `script` runs on another
// with the dialog's window, found by its caption among this thread's windows.
// Whatever the script does, the dialog is cancelled once it returns.
INT_PTR DriveModal(const std::wstring& caption, const std::function<INT_PTR()>& show,
                   const std::function<void(HWND dialog)>& script);

// The visible dialog of the thread of `owner` that `owner` owns, such as a
// message box; null when none comes.
HWND WaitForOwnedDialog(HWND owner);
// Waits until the dialog's thread has handled what was posted to it before.
void Settle(HWND dialog);
// A key press posted as the keyboard would deliver it, so that the dialog
// manager sees it first.
void PressKey(HWND control, UINT key);
// A click on a button, posted: a click that opens a message box would hold a sent one.
void Click(HWND dialog, int id);
void SetText(HWND dialog, int id, const std::wstring& text);
std::wstring TextOf(HWND dialog, int id);
bool IsShown(HWND dialog, int id);
// The longest text among a message box's children: its message.
std::wstring MessageText(HWND box);

// The window as it is drawn, saved as <build folder>\screenshots\<name>.png.
void SaveScreenshot(HWND window, const std::wstring& name);

} // namespace svcgate::test
