#pragma once
// Operating and photographing the driver's windows from a second thread while
// the host's thread sits in their modal loop, as a user would: window messages
// only. Each wait gives up after a while and answers null.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace svcgate::test {

// A visible top-level window of this process; a dialog's class is "#32770",
// an open menu's "#32768" (whose caption is empty).
HWND WaitForWindow(const std::wstring& caption, const wchar_t* className = L"#32770");
// The visible dialog that `owner` owns, such as a message box; null when none comes.
HWND WaitForOwnedDialog(HWND owner);
// Waits until the window is gone; false when it stays.
bool WaitUntilClosed(HWND window);

// A button press the way the user makes it: posted, so that a modal loop the
// click opens does not hold the caller.
void Click(HWND dialog, int id);
// A key press posted as the keyboard would deliver it, so that the dialog manager
// sees it first; returns once the window's thread has handled it.
void PressKey(HWND window, WPARAM key);
// Waits until the window's thread has handled what was posted to it before.
void Settle(HWND window);
void SelectTab(HWND dialog, int tabControlId, int index);
std::wstring TextOf(HWND window);
std::wstring TextOf(HWND dialog, int id);
void SetText(HWND dialog, int id, const std::wstring& text);
bool IsShown(HWND dialog, int id);
// A message box's text.
std::wstring MessageText(HWND box);
// The captions of the menu an open menu window shows, submenus by their own caption.
std::vector<std::wstring> MenuCaptions(HWND menuWindow);

// A PNG of what the screen shows of the windows' rectangles together, in
// the build folder's "screenshots" as <name>.png; returns its path.
std::wstring SaveScreenshot(const std::vector<HWND>& windows, const std::wstring& name);

// Runs `operate` on a thread of its own (with COM) while the caller runs
// `modal`; afterwards nothing of ours is left open: every dialog of this
// process still open is cancelled.
void OperateWhile(const std::function<void()>& modal, const std::function<void()>& operate);
// Shows a dialog with `show` on this thread while `script` operates it from another,
// once the dialog with the caption is up and active; the dialog is cancelled after.
INT_PTR DriveModal(const std::wstring& caption, const std::function<INT_PTR()>& show,
                   const std::function<void(HWND dialog)>& script);

} // namespace svcgate::test
