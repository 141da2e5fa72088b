#include "dialog_int.h"

UINT parseDialogInt(const char* text, BOOL* translated, BOOL isSigned)
{
    const char* p = text != nullptr ? text : "";
    while (*p == ' ' || *p == '\t')
        ++p;
    bool negative = false;
    if (isSigned && *p == '-') {
        negative = true;
        ++p;
    }
    const char* digits = p;
    unsigned long long value = 0;
    bool overflow = false;
    while (*p >= '0' && *p <= '9') {
        value = value * 10 + static_cast<unsigned>(*p - '0');
        overflow = overflow || value > (isSigned ? 0x80000000ull : 0xFFFFFFFFull);
        ++p;
    }
    while (*p == ' ' || *p == '\t')
        ++p;
    const bool ok = p != digits && *p == '\0' && !overflow && !(isSigned && !negative && value > 0x7FFFFFFFull);
    if (translated != nullptr)
        *translated = ok ? TRUE : FALSE;
    if (!ok)
        return 0;
    return negative ? static_cast<UINT>(0u - static_cast<UINT>(value)) : static_cast<UINT>(value);
}
