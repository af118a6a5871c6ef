// The programs' manifests as the loader reads them: the architecture of this build, and asInvoker, without
// which 32-bit Windows runs a program under file virtualisation (its writes to Program Files land elsewhere).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "common/text.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

TEST(ProgramManifests, NameThisBuildsArchitectureAndRunAsInvoker) {
    const std::string architecture = sizeof(void*) == 8 ? "\"amd64\"" : "\"x86\"";
    for (const wchar_t* program : {L"nivex.exe", L"nivexcmd.exe", L"faultnote.exe"}) {
        HMODULE image = LoadLibraryExW((testing::BinFolder() + L"\\" + program).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        HRSRC found = image ? FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)) : nullptr; // RT_MANIFEST
        const std::string manifest = found ? std::string(static_cast<const char*>(LockResource(LoadResource(image, found))),
                                                         SizeofResource(image, found))
                                           : std::string();
        if (image) FreeLibrary(image);
        EXPECT_NE(manifest.find("processorArchitecture=" + architecture), std::string::npos) << WideToUtf8(program);
        EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"asInvoker\""), std::string::npos) << WideToUtf8(program);
    }
}

} // namespace
} // namespace nivex
