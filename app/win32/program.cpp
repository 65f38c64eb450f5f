// Constructs the process-wide objects in their order and runs the application.
#include "app/win32/program.h"

#include <commctrl.h>

#include "app/application.h"
#include "app/glasses_scene.h"
#include "app/win32/layered_window_api.h"
#include "app/win32/startup_mark.h"
#include "app/win32/win32_services.h"
#include "base/win32/system_library.h"
#include "image/pixel_storage.h"
#include "image/win32/dib_section_storage.h"
#include "image/win32/plugin_host.h"
#include "image/win32/wic_picture_decoder.h"
#include "math/cpu.h"
#include "render/win32/render_device.h"
#include "render/world.h"

int32_t runProgram(HINSTANCE instance, bool useLayeredWindows)
{
    // Before any DLL is loaded at run time: a DLL of a system name in the exe's folder or the
    // working directory must never be the one that loads. Plug-ins are loaded by full path.
    restrictDllSearchToSystem();
    // Every picture is a DIB section, so that GDI can draw into and present it.
    installPixelStorage(&dibSectionStorage());
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);

    // The World and the plug-in host come after the device in the program's order, but the
    // Windows layer needs them when it is made; nothing runs before the application starts.
    World world;
    PluginHost plugins;
    WicPictureDecoder systemPictures;  // PNG, JPEG, GIF and TIFF textures
    Win32AppServices services(instance, world, plugins);
    StartupMark mark(services);
    Application app(mark);
    setApplication(&app);
    GlassesScene scene(world, services);
    services.connect(app, scene);
    if (useLayeredWindows)
        layeredWindowApi().lookUp();
    initCpuFlags();
    renderDevice();

    mark.begin();
    const int32_t exitCode = app.run();
    setApplication(nullptr);
    return exitCode;
}
