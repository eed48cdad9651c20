#include <cstring>
#include <vector>

#include "devices/DeviceTypes.h"
#include "tests/windows/WinCheck.h"

namespace {

std::vector<WinTestCase>& Tests() {
    static std::vector<WinTestCase> tests;
    return tests;
}

int g_failedChecks = 0;
std::string g_dataDir = ".";

}  // namespace

int RegisterWinTest(const char* name, void (*run)()) {
    Tests().push_back({name, run});
    return static_cast<int>(Tests().size()) - 1;
}

void FailWinCheck(const char* file, int line, const std::string& what) {
    ++g_failedChecks;
    const char* base = std::strrchr(file, '/');
    std::printf("  %s:%d: %s\n", base != nullptr ? base + 1 : file, line, what.c_str());
}

const std::string& WinTestDataDir() {
    return g_dataDir;
}

// windows-tests [DATA_DIR] [TEST_NAME_PREFIX]
int main(int argc, char** argv) {
    if (argc > 1) {
        g_dataDir = argv[1];
    }
    const char* only = argc > 2 ? argv[2] : "";
    // Failures of the system's own dialogs must not stop an unattended run.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    int passed = 0;
    int failed = 0;
    for (const WinTestCase& test : Tests()) {
        if (std::strncmp(test.name, only, std::strlen(only)) != 0) {
            continue;
        }
        std::printf("[ RUN  ] %s\n", test.name);
        std::fflush(stdout);
        const int before = g_failedChecks;
        test.run();
        if (g_failedChecks == before) {
            ++passed;
            std::printf("[ OK   ] %s\n", test.name);
        } else {
            ++failed;
            std::printf("[ FAIL ] %s\n", test.name);
        }
        std::fflush(stdout);
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 && passed > 0 ? 0 : 1;
}
