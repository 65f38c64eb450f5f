// The program's menu, control dialog and texts in the language of the user's Windows:
// Japanese where Windows shows Japanese, English everywhere else. Every such resource is in
// vellarn.rc twice, under the same identifier in both languages. The language is chosen here
// rather than by the resource loader, whose fallback for a third language (German, say) is not
// the same on every Windows and could land on the Japanese copy. Resources nobody reads (the
// floating window's template, the icon) are language-neutral and loaded the ordinary way.
#pragma once

#include <windows.h>

#include <string>

// The language the program speaks to a user whose Windows shows userLanguage: Japanese
// (MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)) for any Japanese, else US English.
LANGID interfaceLanguageFor(LANGID userLanguage);

// interfaceLanguageFor the user's UI language on this machine.
LANGID interfaceLanguage();

// Menu id of instance in language; null when it is missing. The caller destroys it.
HMENU loadInterfaceMenu(HINSTANCE instance, int id, LANGID language = interfaceLanguage());

// A modeless dialog from template id of instance in language, as CreateDialogParamW makes it.
HWND createInterfaceDialog(HINSTANCE instance, int id, HWND owner, DLGPROC proc, LPARAM param,
                           LANGID language = interfaceLanguage());

// String id of instance in language; empty when it is missing.
std::wstring loadInterfaceText(HINSTANCE instance, int id, LANGID language = interfaceLanguage());

// format with every "%1" replaced by insert (FormatMessage's inserts, so that a translation
// may put the name wherever its sentence needs it).
std::wstring formatInterfaceText(const std::wstring& format, const std::wstring& insert);
