#pragma once
// The system calls window procedures, thread procedures and COM methods from code that cannot
// unwind a C++ exception; an exception that would leave one (in practice std::bad_alloc) becomes
// the given fallback result instead, and the program goes on.
#include <utility>

template <class Result, class Function> Result CallNoThrow(Result fallback, Function&& function) noexcept {
    try {
        return std::forward<Function>(function)();
    } catch (...) {
        return fallback;
    }
}
