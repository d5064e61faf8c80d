// The thin window layer: how to use it.
//
// Windows
//   class MyWindow : public Window { void OnPaint() override; void OnTimer(UINT_PTR) override; };
//   MyWindow w; w.Create("MyClass", 0, WS_POPUP | WS_VISIBLE, "", rect, nullptr);
//   Every window class of ours shares Window::StaticProc: the object comes from the create
//   parameters, lives in GWLP_USERDATA and is unbound on WM_NCDESTROY. Handlers take typed
//   parameters (OnLButtonUp(keys, x, y)); a handler that does not want a message calls Default().
//   Messages without a typed handler, user messages among them, arrive in OnMessage.
//   System controls: w.CreateControl("BUTTON", ...) or w.Subclass(hwndOfDialogControl).
//   Window::FromHandle(hwnd) gives the object; WindowAs<T>(hwnd) is the run-time type test.
//   The parent reflects WM_DRAWITEM, WM_NOTIFY, WM_COMMAND (from a control), WM_CONTEXTMENU and
//   WM_CTLCOLOR* to the child's object (OnReflectedDrawItem ...); what the child leaves reaches
//   the parent's own handlers.
//   Destroy the window before its object; an object destroyed first unbinds, then destroys it.
//
// Dialogs
//   class MyDialog : public Dialog { BOOL OnInitDialog() override; public: int input, result; };
//   MyDialog d; d.input = 3; INT_PTR r = d.DoModal(IDD_MINE, parent);   // or CreateModeless
//   The object is the dialog's lParam, so inputs and results are its members. EndDialog(result).
//   IDOK / IDCANCEL end the dialog unless OnCommand, OnOK or OnCancel say otherwise.
//
// Threads and the program
//   class MyApp : public Application { bool InitInstance() override; };  WinMain: return app.Run();
//   class MyThread : public UiThread { bool InitInstance() override; };  Start(), Stop(), Wait().
//   InitInstance may call SetMainWindow(hwnd): the thread's loop then ends when that window is
//   destroyed (SetThreadMainWindow does the same for any thread). Windows the thread still has when
//   its loop ends are destroyed on the thread before ExitInstance. A derived UiThread calls Stop()
//   and Wait() first in its own destructor, since its window members die before the base's.
//
// Owners (move-only; each type keeps a live count, `Type::live()`, for the leak tests)
//   GdiBitmap, GdiFont, GdiRegion, GdiBrush, MemoryDC, WindowDC, PaintDC, SelectGuard,
//   OwnedHandle, OwnedMenu, ComPtr<T>, ComInit. Declare a SelectGuard after the DC and the object
//   it selects, so the DC gets its old object back before either is deleted.
#pragma once
#include "framework/Application.h"
#include "framework/ComPtr.h"
#include "framework/Dialog.h"
#include "framework/GdiOwners.h"
#include "framework/Handles.h"
#include "framework/LiveCount.h"
#include "framework/Resource.h"
#include "framework/Window.h"
