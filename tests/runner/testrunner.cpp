#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "registertest.h"

namespace {

// Filled by the test files' static registrations, before main() runs.
std::map<std::string, qztest::RunFunction> &Tests()
{
    static std::map<std::string, qztest::RunFunction> tests;
    return tests;
}

// "…/tests/ui/tst_panel.cpp" → "tst_panel".
std::string NameOf(const char *file)
{
    std::string name(file);
    const auto slash = name.find_last_of("/\\");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

int Usage(const char *program, FILE *to)
{
    std::fprintf(to, "Usage: %s TEST [Qt Test options...]\nTests in this program:\n", program);
    for (const auto &test : Tests())
        std::fprintf(to, "  %s\n", test.first.c_str());
    return to == stdout ? 0 : 2;
}

} // namespace

qztest::Registration::Registration(const char *file, RunFunction run)
{
    const auto added = Tests().emplace(NameOf(file), run);
    if (!added.second) {
        std::fprintf(stderr, "Two tests are named %s\n", added.first->first.c_str());
        std::abort();
    }
}

// Runs the test named by the first argument; the rest go to Qt Test as they would to a program of
// the test's own ("tests_ui tst_panel -functions").
int main(int argc, char **argv)
{
    if (argc < 2)
        return Usage(argv[0], stderr);
    if (std::strcmp(argv[1], "--list") == 0 || std::strcmp(argv[1], "--help") == 0)
        return Usage(argv[0], stdout);
    const auto test = Tests().find(argv[1]);
    if (test == Tests().end()) {
        std::fprintf(stderr, "No test named %s.\n", argv[1]);
        return Usage(argv[0], stderr);
    }
    std::vector<char *> arguments(argv, argv + argc);
    arguments.erase(arguments.begin() + 1);
    arguments.push_back(nullptr);
    return test->second(argc - 1, arguments.data());
}
