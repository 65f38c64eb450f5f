// Building the context menu from the model files, and the colour chooser.
#include "app/win32/context_menu.h"

#include <commdlg.h>

#include "app/win32/interface_resources.h"
#include "base/cp932.h"
#include "base/files.h"
#include "resources/resource_ids.h"

namespace {

// Commands past the handled range would do nothing; the menu lists no more than that.
constexpr size_t kMaxModelItems = IDC_MODEL_LAST - IDC_MODEL_FIRST + 1;

void listModels(HMENU popup, std::vector<std::string>& modelNames)
{
    modelNames.clear();
    for (const DirEntry& entry : listDirectory("*.mqo")) {
        if (entry.isDirectory)
            continue;
        if (modelNames.size() >= kMaxModelItems)
            break;
        const std::u16string text = cp932ToUtf16(entry.name);
        const UINT command = IDC_MODEL_FIRST + static_cast<UINT>(modelNames.size());
        InsertMenuW(popup, IDC_MODEL_PLACEHOLDER, MF_BYCOMMAND | MF_STRING, command,
                    reinterpret_cast<const wchar_t*>(text.c_str()));
        modelNames.push_back(entry.name);
    }
    DeleteMenu(popup, IDC_MODEL_PLACEHOLDER, MF_BYCOMMAND);
}

}  // namespace

void showContextMenu(HINSTANCE instance, HWND owner, std::vector<std::string>& modelNames)
{
    POINT at;
    GetCursorPos(&at);
    SetForegroundWindow(owner);
    HMENU menu = loadInterfaceMenu(instance, IDM_CONTEXT_MENU);
    if (!menu)
        return;
    HMENU popup = GetSubMenu(menu, 0);
    listModels(popup, modelNames);
    TrackPopupMenu(popup, TPM_RIGHTBUTTON, at.x, at.y, 0, owner, nullptr);
    DestroyMenu(menu);
}

bool chooseLensColour(HWND owner, uint32_t& colour)
{
    static COLORREF customColours[16] = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
                                         0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
                                         0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
    CHOOSECOLORW chooser = {};
    chooser.lStructSize = sizeof chooser;
    chooser.hwndOwner = owner;
    chooser.rgbResult = colour;
    chooser.lpCustColors = customColours;
    chooser.Flags = colour != 0 ? CC_RGBINIT : 0;
    if (!ChooseColorW(&chooser))
        return false;
    colour = chooser.rgbResult;
    return true;
}
