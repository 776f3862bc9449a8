// Running out of memory inside a window or dialog procedure. An exception
// must not cross the system's frames between the procedure and the message
// loop: it would end the process. So a procedure runs its body through
// COMMONGuard, which catches the failure, tells the user "Memory error" and
// answers as if the message had failed; the window goes on working.
//
//     LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
//     {
//         return COMMONGuard(hwnd, msg, [&] { return ButtonMessage(hwnd, msg, wParam, lParam); });
//     }
#pragma once
#include <windows.h>
#include <new>
#include <stdexcept>

// Tells the user; once, however many messages fail while the box is up. A
// window that could not paint is taken as painted, or it would fail again at
// once.
void COMMONMemoryError(HWND hwnd, UINT msg);

template <class F> auto COMMONGuard(HWND hwnd, UINT msg, F &&body) noexcept -> decltype(body())
{
    // A size past what a container can hold fails the same way.
    try {
        return body();
    } catch (const std::bad_alloc &) {
    } catch (const std::length_error &) {
    }
    COMMONMemoryError(hwnd, msg);
    // A window that cannot be made is not made; anything else failed.
    return (decltype(body()))(msg == WM_CREATE ? -1 : 0);
}
