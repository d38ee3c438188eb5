#pragma once

// The operator's language (library novard_language, QtCore only).
//
// Every operator text is written in Korean in the code and shown so by default. The English
// translation (translations/novard_en.ts, compiled into this library) replaces the program's own
// texts when the desktop's language is another or --language en asks for it; Qt's own texts (a
// message box's button) follow the same choice through Debian's translations of Qt. A program
// reads --language with language_named (the shared options table lists it), then calls use_language
// once its QCoreApplication exists.

#include <QString>
#include <QStringView>
#include <optional>

enum class Language { korean, english };

// "ko" or "en"; nothing for any other text.
std::optional<Language> language_named(QStringView name);
// Why value is no language, in one line for standard error.
QString language_error(QStringView value);

// Korean when the desktop's display language is Korean, English otherwise. On Linux the desktop's
// first UI language as Qt reads it from LANGUAGE, LC_ALL, LC_MESSAGES and LANG, and Korean also
// when the locale names no language (C, POSIX); on Windows the user's display language.
Language desktop_language();

// Installs the chosen language's translators on the running application, or the desktop's when
// nothing is chosen; a second call replaces those of the first.
void use_language(std::optional<Language> chosen);
