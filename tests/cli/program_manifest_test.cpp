// The programs' manifests as the loader reads them: the architecture of this build, and asInvoker, without
// which 32-bit Windows runs a program under file virtualisation (its writes to Program Files land elsewhere).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "common/text.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

std::string ManifestOf(const std::wstring& program) {
    HMODULE image = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!image) return {};
    std::string text;
    if (HRSRC found = FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) // RT_MANIFEST
        if (HGLOBAL data = LoadResource(image, found))
            text.assign(static_cast<const char*>(LockResource(data)), SizeofResource(image, found));
    FreeLibrary(image);
    return text;
}

TEST(ProgramManifests, NameThisBuildsArchitectureAndRunAsInvoker) {
    const std::string architecture =
        sizeof(void*) == 8 ? "processorArchitecture=\"amd64\"" : "processorArchitecture=\"x86\"";
    for (const wchar_t* program : {L"nivex.exe", L"nivexcmd.exe", L"faultnote.exe"}) {
        const std::string manifest = ManifestOf(testing::BinFolder() + L"\\" + program);
        ASSERT_FALSE(manifest.empty()) << WideToUtf8(program);
        EXPECT_NE(manifest.find("<assemblyIdentity type=\"win32\" name=\"Velmora."), std::string::npos);
        EXPECT_NE(manifest.find(architecture), std::string::npos) << WideToUtf8(program);
        EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"asInvoker\""), std::string::npos)
            << WideToUtf8(program);
    }
}

} // namespace
} // namespace nivex
