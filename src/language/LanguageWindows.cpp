#include "Language.h"

#include <windows.h>

Language desktop_language()
{
    return PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_KOREAN ? Language::korean
                                                                      : Language::english;
}
