#pragma once

// Included ahead of every file of a folder's test program (see tests/CMakeLists.txt). A test file
// keeps its usual QTEST_MAIN(TestClass) line; here that line adds the class to the program's list
// under the file's name instead of defining main(), and the program's main() runs the one test
// named on its command line. The same file still builds as a program of its own without this
// header.
#include <QtTest/qtest.h>

#ifndef QTEST_MAIN_WRAPPER
#error "Qt Test no longer builds its main() through QTEST_MAIN_WRAPPER; tests/runner needs a look"
#endif

namespace qztest {

using RunFunction = int (*)(int argc, char **argv);

// Adds a test to the program's list; `file` is the test's source file, which names it.
struct Registration
{
    Registration(const char *file, RunFunction run);
};

} // namespace qztest

// The names carry the test class's, so that several test files can be compiled as one.
#define QZ_TEST_NAME2(prefix, name) prefix##name
#define QZ_TEST_NAME(prefix, name) QZ_TEST_NAME2(prefix, name)
#undef QTEST_MAIN_WRAPPER
#define QTEST_MAIN_WRAPPER(TestObject, ...)                                                        \
    static int QZ_TEST_NAME(qzRun, TestObject)(int argc, char *argv[])                             \
    {                                                                                              \
        QT_PREPEND_NAMESPACE(QTest::Internal::callInitMain)<TestObject>();                         \
        __VA_ARGS__                                                                                \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }                                                                                              \
    static const qztest::Registration QZ_TEST_NAME(qzRegistration, TestObject)(                    \
        __FILE__, QZ_TEST_NAME(qzRun, TestObject));
