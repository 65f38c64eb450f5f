// Loading the menu, the control dialog and the texts in the interface language.
#include "app/win32/interface_resources.h"

#include <memory>

namespace {

// The text FormatMessage allocates, given back with LocalFree.
struct LocalFreer {
    void operator()(wchar_t* text) const { LocalFree(text); }
};

// The resource's bytes in exactly that language, or null.
const void* lockResource(HINSTANCE instance, const wchar_t* type, int id, LANGID language)
{
    HRSRC found = FindResourceExW(instance, type, MAKEINTRESOURCEW(id), language);
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    return loaded ? LockResource(loaded) : nullptr;
}

}  // namespace

LANGID interfaceLanguageFor(LANGID userLanguage)
{
    if (PRIMARYLANGID(userLanguage) == LANG_JAPANESE)
        return MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
    return MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
}

LANGID interfaceLanguage()
{
    return interfaceLanguageFor(GetUserDefaultUILanguage());
}

HMENU loadInterfaceMenu(HINSTANCE instance, int id, LANGID language)
{
    const void* menu = lockResource(instance, RT_MENU, id, language);
    return menu ? LoadMenuIndirectW(menu) : nullptr;
}

HWND createInterfaceDialog(HINSTANCE instance, int id, HWND owner, DLGPROC proc, LPARAM param,
                           LANGID language)
{
    const void* dialog = lockResource(instance, RT_DIALOG, id, language);
    if (!dialog)
        return nullptr;
    return CreateDialogIndirectParamW(instance, static_cast<const DLGTEMPLATE*>(dialog), owner, proc, param);
}

std::wstring loadInterfaceText(HINSTANCE instance, int id, LANGID language)
{
    // Strings are kept sixteen to a block, block n holding ids 16 (n - 1) to 16 n - 1, each
    // string a 16-bit length and that many UTF-16 units.
    const auto* unit = static_cast<const wchar_t*>(lockResource(instance, RT_STRING, id / 16 + 1, language));
    if (!unit)
        return {};
    for (int skip = id % 16; skip > 0; --skip)
        unit += 1 + *unit;
    return std::wstring(unit + 1, *unit);
}

std::wstring formatInterfaceText(const std::wstring& format, const std::wstring& insert)
{
    const DWORD_PTR inserts[] = {reinterpret_cast<DWORD_PTR>(insert.c_str())};
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY |
                                            FORMAT_MESSAGE_ALLOCATE_BUFFER,
                                        format.c_str(), 0, 0, reinterpret_cast<wchar_t*>(&text), 0,
                                        reinterpret_cast<va_list*>(const_cast<DWORD_PTR*>(inserts)));
    const std::unique_ptr<wchar_t, LocalFreer> owned(text);
    return owned ? std::wstring(owned.get(), length) : std::wstring();
}
