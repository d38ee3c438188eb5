#include "HighByteForms.h"

#include "ByteDisplay.h"

#include <windows.h>

const std::array<char16_t, 128>& high_byte_forms()
{
    // Taken once: the code page is the system's, set before the program starts.
    static const std::array<char16_t, 128> forms = [] {
        std::array<char16_t, 128> table {};
        for (int byte = 0x80; byte <= 0xFF; ++byte) {
            const char single = char(byte);
            wchar_t shown = 0;
            // A lead byte alone does not convert; a byte the code page maps to a control would
            // not show.
            const int converted
                = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &single, 1, &shown, 1);
            table[byte - 0x80] = converted == 1 && !is_control_character(char32_t(shown))
                ? char16_t(shown)
                : 0xFFFD;
        }
        return table;
    }();
    return forms;
}
