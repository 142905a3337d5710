find_package(X11 REQUIRED)

# tst_optionspage compares the port list with what Qt Serial Port lists.
qz_add_test_program(tests_ui LIBS qzui qzrigctl qzsim X11::X11 Qt6::SerialPort TESTS
    tst_panel
    tst_mainwindow
    tst_frequencyentry
    tst_memoryscan
    tst_knobstatus
    tst_simpanel
    tst_faults
    tst_keyboardpoll
    tst_x11keys
    tst_rigctlserver
    tst_optionspage
    tst_screenshot
    tst_loadpage
    tst_bandactivity
    tst_panelfonts
)
target_compile_definitions(tests_ui PRIVATE
    # tst_optionspage starts a second panel that holds the port.
    QZ_REMOTE_PATH="$<TARGET_FILE:qz-remote>"
    QZ_BINARY_DIR="${PROJECT_BINARY_DIR}" QZ_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    QZ_MODULE_BUILD_DIR="${QZ_MODULE_BUILD_DIR}"
    QZ_CHIRP_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data/chirp"
    QZ_EXAMPLE_MEMORY_FILE="${PROJECT_SOURCE_DIR}/examples/QZMemory.txt")
add_dependencies(tests_ui qz-remote)

# These read the X server's keyboard and draw the README's pictures: run on xcb, on the display
# they are given, one at a time (the others draw offscreen).
set_tests_properties(tst_x11keys tst_screenshot PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=xcb;LC_ALL=C.UTF-8" RESOURCE_LOCK x_display)

# The panel against a far side that reads at 9600 baud; about 25 s. It has a main() of its own.
qz_add_test(tst_linespeed SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_linespeed.cpp LIBS qzui qzsim)
