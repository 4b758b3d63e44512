// Small arithmetic and string helpers of the kernel.
#include <windows.h>

#include <cstdint>
#include <cstring>

extern "C" {

// Rounds to nearest, halves away from zero; -1 when the divisor is 0 or the result overflows.
int WINAPI MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0)
        return -1;
    int64_t product = static_cast<int64_t>(number) * numerator;
    int64_t half = (denominator < 0 ? -static_cast<int64_t>(denominator) : denominator) / 2;
    bool negative = (product < 0) != (denominator < 0);
    int64_t magnitude = (product < 0 ? -product : product) + half;
    int64_t result =
        magnitude / (denominator < 0 ? -static_cast<int64_t>(denominator) : denominator);
    if (negative)
        result = -result;
    if (result > INT32_MAX || result < INT32_MIN)
        return -1;
    return static_cast<int>(result);
}

// Equal strings compare 0, which is all the product relies on. Unequal strings are ordered
// case-insensitively first and by case second, close to the user-default locale's order.
int WINAPI lstrcmpA(LPCSTR a, LPCSTR b) {
    if (!a || !b)
        return a ? 1 : (b ? -1 : 0);
    for (size_t i = 0;; ++i) {
        unsigned char ca = a[i], cb = b[i];
        unsigned char la = (ca >= 'A' && ca <= 'Z') ? ca + 32 : ca;
        unsigned char lb = (cb >= 'A' && cb <= 'Z') ? cb + 32 : cb;
        if (la != lb)
            return la < lb ? -1 : 1;
        if (ca == 0)
            break;
    }
    int exact = std::strcmp(a, b);
    // Lower case sorts before upper case in the default locale.
    return exact == 0 ? 0 : (exact < 0 ? 1 : -1);
}

int WINAPI lstrlenA(LPCSTR s) {
    return s ? static_cast<int>(std::strlen(s)) : 0;
}

}  // extern "C"
