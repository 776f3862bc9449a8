// What a window keeps for us in its user data (GWLP_USERDATA), a dialog's
// slot (DWLP_USER) or its class's extra bytes, read and written as the type
// that was stored there, so that no call site casts through LONG.
#pragma once
#include <windows.h>
#include <type_traits>

namespace windowvalue {
template <class T> T From(LONG_PTR v)
{
    static_assert(sizeof(T) <= sizeof(LONG_PTR), "a window value is pointer-sized");
    if constexpr (std::is_pointer_v<T>)
        return reinterpret_cast<T>(v);
    else
        return static_cast<T>(v);
}
template <class T> LONG_PTR To(T v)
{
    if constexpr (std::is_pointer_v<T>)
        return reinterpret_cast<LONG_PTR>(v);
    else
        return static_cast<LONG_PTR>(v);
}
} // namespace windowvalue

template <class T> T GetWindowValue(HWND hwnd, int index)
{
    return windowvalue::From<T>(GetWindowLongPtrA(hwnd, index));
}

// Stores `value` and gives back what was there before.
template <class T> T SetWindowValue(HWND hwnd, int index, T value)
{
    return windowvalue::From<T>(SetWindowLongPtrA(hwnd, index, windowvalue::To(value)));
}
