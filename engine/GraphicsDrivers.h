#pragma once

#include <dlfcn.h>
#include <link.h>
#include <string>
#include <vector>

namespace tv {

// Keeps the OpenGL driver modules loaded until the process ends. Mesa's driver keeps a few
// bytes of start-up state for good; once the driver is unloaded at exit, the leak checker of a
// sanitizer build can no longer name the module those bytes came from and cannot match its
// suppression for the driver. Call once drawing is over, before the application object goes.
// Header-only, so that programs can call it without linking the engine.
inline void KeepGraphicsDriversLoaded() {
    std::vector<std::string> modules;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            const std::string name = info->dlpi_name ? info->dlpi_name : "";
            if (name.find("/dri/") != std::string::npos)
                static_cast<std::vector<std::string>*>(data)->push_back(name);
            return 0;
        },
        &modules);
    for (const std::string& module : modules)
        dlopen(module.c_str(), RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
}

} // namespace tv
