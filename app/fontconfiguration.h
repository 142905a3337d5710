#pragma once

#include <thread>

// Reading the system's font configuration (fontconfig parses its XML files at every start) is the
// largest single piece of work before the first frame, and it needs nothing of Qt. A second thread
// reads it while the application connects to the display and the panel gets ready; Wait() before
// the first font is asked for, so that the configuration is read once. Without fontconfig in the
// process it does nothing.
class FontConfigurationReader
{
public:
    FontConfigurationReader();
    ~FontConfigurationReader();
    FontConfigurationReader(const FontConfigurationReader &) = delete;
    FontConfigurationReader &operator=(const FontConfigurationReader &) = delete;

    void Wait();

private:
    std::thread m_thread;
};
