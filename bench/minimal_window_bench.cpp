// The start-up baseline of the window program: the least a program does to show an unskinned
// window of the main window's size and paint it once. Ends itself after a few seconds.
#include <windows.h>

namespace {
LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(w, &ps);
        HBRUSH b = CreateSolidBrush(RGB(30, 42, 56));
        FillRect(dc, &ps.rcPaint, b);
        DeleteObject(b);
        EndPaint(w, &ps);
        return 0;
    }
    if (msg == WM_TIMER || msg == WM_CLOSE) PostQuitMessage(0);
    return DefWindowProcA(w, msg, wp, lp);
}
}  // namespace

int main() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ZentharBenchMinimal";
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, wc.lpszClassName, "Minimal", WS_POPUP | WS_VISIBLE, 0, 0, 751, 514, nullptr, nullptr,
                             wc.hInstance, nullptr);
    SetTimer(w, 1, 8000, nullptr);
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
    return 0;
}
