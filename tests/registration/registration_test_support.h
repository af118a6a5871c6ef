#pragma once
// What the registration tests share: a display that records outcomes, and a scene with a scratch System
// folder, a scratch program folder, a sandboxed registry and a scripted desktop.
#include <windows.h>

#include <string>
#include <vector>

#include "common/paths.h"
#include "fixtures/servers/fixture_ids.h"
#include "registration/outcome_display.h"
#include "support/registry_sandbox.h"
#include "support/scripted_desktop.h"
#include "support/temp_folder.h"

namespace nivex::testing {

class RecordingDisplay final : public OutcomeDisplay {
public:
    RecordingDisplay() : previous_(SetOutcomeDisplay(this)) {}
    ~RecordingDisplay() override { SetOutcomeDisplay(previous_); }
    void Show(const OutcomeText& text, WindowRef) override { shown.push_back(text); }
    std::vector<OutcomeText> shown;

private:
    OutcomeDisplay* previous_;
};

// Folders and seams for one flow test. Nothing is written outside the scratch folders and keys.
struct RegistrationScene {
    RegistrySandbox sandbox;
    ScriptedDesktop desktop;
    RecordingDisplay display;
    TempFolder system;  // stands for the System folder
    TempFolder work;    // where the user's files are
    std::wstring savedSystem = SystemFolder();
    std::wstring savedProgram = ProgramFolder();

    RegistrationScene() {
        SetSystemFolder(system.Text());
        SetProgramFolder(L"C:\\Nivex Test");
    }
    ~RegistrationScene() {
        SetSystemFolder(savedSystem);
        SetProgramFolder(savedProgram);
    }
    // Copies a fixture into a folder, optionally under another name; returns the copy's path.
    static std::wstring CopyFixture(const TempFolder& folder, const std::wstring& fixture,
                                    const std::wstring& name = L"") {
        const std::wstring target = folder.File(name.empty() ? fixture : name);
        CopyFileW(FixturePath(fixture).c_str(), target.c_str(), FALSE);
        return target;
    }
};

// The InprocServer32 path registered for a class, empty when the class is not registered.
inline std::wstring RegisteredServer(const fixtures::FixtureClass& cls) {
    return GetRegString(HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + cls.clsidText + L"\\InprocServer32", L"");
}

} // namespace nivex::testing
