// A small self-checking test runner for the Windows programs, which run
// under Wine without a test framework: each test is a function registered
// with WIN_TEST; a failed check prints where it failed and counts against
// the test. main() prints "N passed, N failed".
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

struct WinTestCase {
    const char* name;
    void (*run)();
};

// Registers a test; returns its index.
int RegisterWinTest(const char* name, void (*run)());
// Records a failed check in the running test.
void FailWinCheck(const char* file, int line, const std::string& what);

#define WIN_TEST(name)                                                  \
    static void name();                                                 \
    static const int name##_registered = RegisterWinTest(#name, &name); \
    static void name()

#define CHECK(cond)                                               \
    do {                                                          \
        if (!(cond)) {                                            \
            FailWinCheck(__FILE__, __LINE__, "CHECK(" #cond ")"); \
        }                                                         \
    } while (0)

#define CHECK_EQ(a, b)                                                                 \
    do {                                                                               \
        const auto checkA = (a);                                                       \
        const auto checkB = (b);                                                       \
        if (!(checkA == checkB)) {                                                     \
            FailWinCheck(__FILE__, __LINE__,                                           \
                         std::string("CHECK_EQ(" #a ", " #b "): ") + WinShow(checkA) + \
                             " != " + WinShow(checkB));                                \
        }                                                                              \
    } while (0)

// Stops the running test when a check that later checks depend on fails.
#define REQUIRE(cond)                                               \
    do {                                                            \
        if (!(cond)) {                                              \
            FailWinCheck(__FILE__, __LINE__, "REQUIRE(" #cond ")"); \
            return;                                                 \
        }                                                           \
    } while (0)

inline std::string WinShow(const std::string& value) {
    return "\"" + value + "\"";
}
inline std::string WinShow(const char* value) {
    return value == nullptr ? "null" : WinShow(std::string(value));
}
inline std::string WinShow(bool value) {
    return value ? "true" : "false";
}
template <typename T>
std::string WinShow(const T& value) {
    char text[48];
    std::snprintf(text, sizeof text, "%lld (0x%llx)", static_cast<long long>(value),
                  static_cast<unsigned long long>(value));
    return text;
}

// The folder the test data lives in (the first argument, else ".").
const std::string& WinTestDataDir();
