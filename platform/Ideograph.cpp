#include "platform/Ideograph.h"

bool IsIdeograph(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x4E00 && u <= 0x9FFF)    // CJK Unified Ideographs
           || (u >= 0x3400 && u <= 0x4DBF) // Extension A
           || (u >= 0xF900 && u <= 0xFAFF) // CJK Compatibility Ideographs
           || u == 0x3006 || u == 0x3007;  // 〆 〇
}
