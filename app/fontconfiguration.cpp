#include "fontconfiguration.h"

#include <dlfcn.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

void ReadFontConfiguration()
{
    // Not wanted before the panel's first font: the display server and the main thread go first
    // (on Linux a thread has a niceness of its own).
    const auto thread = static_cast<id_t>(gettid());
    setpriority(PRIO_PROCESS, thread, getpriority(PRIO_PROCESS, thread) + 5);
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
