#include "fontconfiguration.h"

#include <dlfcn.h>

namespace {

void ReadFontConfiguration()
{
    // Qt's font database brings fontconfig in; looked up rather than linked, so a Qt without it
    // needs nothing more. FcInit() installs the configuration it reads as the current one, which
    // Qt's own FcInit() then finds.
    using Init = int (*)();
    if (auto init = reinterpret_cast<Init>(dlsym(RTLD_DEFAULT, "FcInit")))
        init();
}

} // namespace

FontConfigurationReader::FontConfigurationReader()
    : m_thread(ReadFontConfiguration)
{ }

FontConfigurationReader::~FontConfigurationReader()
{
    Wait();
}

void FontConfigurationReader::Wait()
{
    if (m_thread.joinable())
        m_thread.join();
}
