#pragma once
// A help viewer that records what it was asked to show and answers as scripted.
#include <string>
#include <vector>

#include "auxiliary/help_viewer.h"

namespace nivex::testing {

class RecordingHelpViewer final : public HelpViewer {
public:
    struct Request {
        std::wstring kind; // "topic", "context", "popup"
        std::wstring file;
        unsigned long id = 0;
    };

    RecordingHelpViewer() : previous_(SetHelpViewer(this)) {}
    ~RecordingHelpViewer() override { SetHelpViewer(previous_); }

    HWND window = nullptr; // what ShowTopic and ShowContext return
    bool showsPopups = false;
    std::vector<Request> requests;
    int closeAllCalls = 0;

    HWND ShowTopic(HWND, const std::wstring& file) override { return Record(L"topic", file, 0), window; }
    HWND ShowContext(HWND, const std::wstring& file, unsigned long id) override { return Record(L"context", file, id), window; }
    bool ShowTextPopup(HWND, const std::wstring& file, unsigned long id, POINT) override {
        return Record(L"popup", file, id), showsPopups;
    }
    void CloseAll() override { ++closeAllCalls; }

private:
    void Record(const wchar_t* kind, const std::wstring& file, unsigned long id) { requests.push_back({kind, file, id}); }
    HelpViewer* previous_;
};

} // namespace nivex::testing
