#include "resources.h"
#include "setup_error.h"

namespace platform {

ResourceBytes find_resource(HMODULE module, const char *type, const char *name) {
    // Resources live as long as the module: there is nothing to free.
    const HRSRC info = ::FindResourceA(module, name, type);
    const HGLOBAL loaded = info ? ::LoadResource(module, info) : nullptr;
    const void *data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data) raise_error(format_message("Resource %s not found", name));
    return {data, ::SizeofResource(module, info)};
}

} // namespace platform
