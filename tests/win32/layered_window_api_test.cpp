// LayeredWindowApi: which of the two user32 functions the lookup finds decides between the
// per-pixel-alpha window and the region-shaped one, and whether the layered style is set.
#include "app/win32/layered_window_api.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_window.h"

namespace {

// Which of the two functions a system has.
struct Offer {
    bool update;      // UpdateLayeredWindow
    bool attributes;  // SetLayeredWindowAttributes
};

// A lookup that gives user32's own address of the functions the system has, null for the
// others, and notes each name asked for.
LayeredWindowApi::ProcLookup lookupOffering(Offer offer, std::vector<std::string>& asked)
{
    return [offer, &asked](const char* name) -> void* {
        asked.emplace_back(name);
        const std::string n = name;
        const bool offered = (n == "UpdateLayeredWindow" && offer.update) ||
                             (n == "SetLayeredWindowAttributes" && offer.attributes);
        return offered ? reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32"), name)) : nullptr;
    };
}

bool layered(HWND window)
{
    return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
}

}  // namespace

TEST(LayeredWindowApi, UpdateLayeredWindowDecidesAndTheAttributesGateTheStyle)
{
    const struct {
        Offer offer;
        bool perPixelAlpha;  // what lookUp returns
        bool styleSet;       // whether setLayeredStyle(true) makes the window layered
    } cases[] = {
        {{true, true}, true, true},
        {{true, false}, true, false},
        {{false, true}, false, true},
        {{false, false}, false, false},
    };
    for (const auto& c : cases) {
        const std::string what = std::string(c.offer.update ? "with" : "without") + " UpdateLayeredWindow, " +
                                 (c.offer.attributes ? "with" : "without") + " SetLayeredWindowAttributes";
        std::vector<std::string> asked;
        LayeredWindowApi api;
        EXPECT_EQ(api.lookUp(lookupOffering(c.offer, asked)), c.perPixelAlpha) << what;
        EXPECT_EQ(api.updateLayeredWindow != nullptr, c.offer.update) << what;
        EXPECT_EQ(api.setLayeredWindowAttributes != nullptr, c.offer.attributes) << what;
        EXPECT_EQ(asked.size(), 2u) << what;

        TestWindow window(64, 64);
        ASSERT_NE(window.get(), nullptr);
        const LONG_PTR written = api.setLayeredStyle(window.get(), true);
        EXPECT_EQ(layered(window.get()), c.styleSet) << what;
        if (!c.styleSet) {
            EXPECT_EQ(written, 0) << what << ": nothing done";
        }
        api.setLayeredStyle(window.get(), false);
        EXPECT_FALSE(layered(window.get())) << what;
    }
}

TEST(LayeredWindowApi, TheProgramsLookupAsksTheSystemsUser32)
{
    const HMODULE user32 = GetModuleHandleW(L"user32");
    LayeredWindowApi api;
    EXPECT_EQ(api.lookUp(), GetProcAddress(user32, "UpdateLayeredWindow") != nullptr);
    EXPECT_EQ(reinterpret_cast<void*>(api.updateLayeredWindow),
              reinterpret_cast<void*>(GetProcAddress(user32, "UpdateLayeredWindow")));
    EXPECT_EQ(reinterpret_cast<void*>(api.setLayeredWindowAttributes),
              reinterpret_cast<void*>(GetProcAddress(user32, "SetLayeredWindowAttributes")));
}
