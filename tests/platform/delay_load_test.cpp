// The sound, shell, COM and power libraries are delay-loaded from import libraries made from our
// own lists of their functions (platform/desktop/delayload/*.def): every function on a list must
// be found in its library, or the program would end at its first call of it.
#include <windows.h>

#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// The source folder as this process sees it: under Wine, the build machine's root is drive Z:.
std::string DelayLoadFolder() {
    std::string folder = DAWNBELL_DELAYLOAD_DIR;
    return folder[0] == '/' ? "Z:" + folder : folder;
}

TEST(DelayLoad, EveryListedFunctionIsFoundInItsLibrary) {
    for (const char* name : {"winmm", "shell32", "ole32", "powrprof"}) {
        SCOPED_TRACE(name);
        std::ifstream def(DelayLoadFolder() + "/" + name + ".def");
        ASSERT_TRUE(def.is_open());
        std::string line, library;
        std::vector<std::string> functions;
        bool exports = false;
        while (std::getline(def, line)) {
            if (line.rfind("LIBRARY ", 0) == 0)
                library = line.substr(8);
            else if (line == "EXPORTS")
                exports = true;
            else if (exports && !line.empty())
                functions.push_back(line);
        }
        EXPECT_EQ(library, std::string(name) + ".dll");
        EXPECT_FALSE(functions.empty());
        HMODULE module = LoadLibraryA(library.c_str());
        ASSERT_NE(module, nullptr);
        for (const std::string& function : functions)
            EXPECT_NE(GetProcAddress(module, function.c_str()), nullptr) << function;
    }
}

} // namespace
