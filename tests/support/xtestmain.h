#pragma once

#include <QApplication>
#include <QTest>

// Xlib's macros clash with Qt's names: this header comes after Qt's headers and the tests.
#include <X11/Xlib.h>

// main() for a test that wants the X display it is given (built like Qt Test's own, so that a
// folder's test program can list it as it lists the others). Without a reachable display the xcb
// platform would abort the program before any test could skip, so it then runs offscreen. The
// probe connection is closed only once the application has its own: an X server left without
// clients resets, and refuses connections meanwhile.
#define QZ_X11_TEST_MAIN(TestClass)                                                                \
    QTEST_MAIN_WRAPPER(TestClass, Display *probe = XOpenDisplay(nullptr);                          \
                       if (!probe) qputenv("QT_QPA_PLATFORM", "offscreen");                        \
                       QApplication app(argc, argv); if (probe) XCloseDisplay(probe);)
