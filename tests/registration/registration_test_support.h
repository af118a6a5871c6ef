#pragma once
// What the registration tests share: a display that records outcomes, a scene of scratch folders and seams.
#include <windows.h>

#include <string>
#include <vector>

#include "common/paths.h"
#include "common/ui/toolkit.h"
#include "fixtures/servers/fixture_ids.h"
#include "registration/outcome_display.h"
#include "registration/reg_flows.h"
#include "support/registry_sandbox.h"
#include "support/scripted_desktop.h"
#include "support/temp_folder.h"

namespace nivex::testing {

struct RecordingDisplay final : OutcomeDisplay {
    std::vector<OutcomeText> shown;
    void Show(const OutcomeText& text, WindowRef) override { shown.push_back(text); }
};

// Folders and seams for one flow test; nothing is written outside the scratch folders and keys.
struct RegistrationScene {
    RegistrySandbox sandbox;
    ScriptedDesktop desktop;
    RecordingDisplay display;
    TempFolder system; // stands for the System folder
    TempFolder work;   // where the user's files are
    std::wstring savedSystem = SystemFolder(), savedProgram = ProgramFolder();

    RegistrationScene() {
        SetSystemFolder(system.Text());
        SetProgramFolder(L"C:\\Nivex Test");
    }
    ~RegistrationScene() {
        SetSystemFolder(savedSystem);
        SetProgramFolder(savedProgram);
    }
    // Flow options that show outcomes on the recorder.
    FlowOptions Flow() {
        FlowOptions options(desktop);
        options.display = &display;
        return options;
    }
    static std::wstring CopyFixture(const TempFolder& folder, const std::wstring& fixture, const std::wstring& name = L"") {
        const std::wstring target = folder.File(name.empty() ? fixture : name);
        CopyFileW(FixturePath(fixture).c_str(), target.c_str(), FALSE);
        return target;
    }
};

// The InprocServer32 path registered for a class, empty when the class is not registered.
inline std::wstring RegisteredServer(const fixtures::FixtureClass& cls) {
    return GetRegString(HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + cls.clsidText + L"\\InprocServer32", L"");
}

using ui::WindowText;

} // namespace nivex::testing
