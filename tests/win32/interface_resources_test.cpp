// The interface language and the texts of the messages, loaded from the program's resources
// (linked into this test) as the program loads them: Japanese exactly as Japanese users have
// always read them, English for every other Windows.
#include "app/win32/interface_resources.h"

#include <gtest/gtest.h>

#include "resources/resource_ids.h"

namespace {

const LANGID kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
const LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

// The message naming a model that could not be opened, in language.
std::wstring openFailure(const std::wstring& name, LANGID language)
{
    return formatInterfaceText(loadInterfaceText(GetModuleHandleW(nullptr), IDS_OPEN_FAILED, language), name);
}

}  // namespace

TEST(InterfaceLanguage, JapaneseOnlyForAJapaneseWindows)
{
    const struct {
        LANGID user;
        LANGID shown;
    } cases[] = {
        {MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN), kJapanese},
        {MAKELANGID(LANG_JAPANESE, SUBLANG_NEUTRAL), kJapanese},
        {MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), kEnglish},
        {MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK), kEnglish},
        {MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), kEnglish},
        {MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), kEnglish},
        {MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), kEnglish},
    };
    for (const auto& c : cases)
        EXPECT_EQ(interfaceLanguageFor(c.user), c.shown) << std::hex << c.user;
}

TEST(InterfaceText, MessagesInBothLanguages)
{
    const HINSTANCE program = GetModuleHandleW(nullptr);
    EXPECT_EQ(loadInterfaceText(program, IDS_DEVICE_FAILED, kJapanese),
              L"DirectXの初期化に失敗しました。\rDirectX7以降が正常に動作していません。");
    EXPECT_EQ(loadInterfaceText(program, IDS_MODEL_FILTER, kJapanese),
              L"モデル ファイル(*.mqo;*.x;*.rok)|*.mqo;*.x;*.rok|メタセコイア ファイル(*.mqo;)|*.mqo;|"
              L"DirectX ファイル(*.x)|*.x|ROK ファイル(*.rok)|*.rok|All Files (*.*)|*.*||");
    EXPECT_EQ(openFailure(L"丸メガネ.mqo", kJapanese), L"丸メガネ.mqoのオープンに失敗しました");
    EXPECT_EQ(openFailure(L"丸メガネ.mqo", kEnglish), L"Could not open 丸メガネ.mqo");
    // A name is put in as it is, never read as a format of its own.
    EXPECT_EQ(openFailure(L"C:\\100%1 %s\\a.mqo", kJapanese), L"C:\\100%1 %s\\a.mqoのオープンに失敗しました");
    EXPECT_NE(loadInterfaceText(program, IDS_DEVICE_FAILED, kEnglish).find(L'\r'), std::wstring::npos);
}
