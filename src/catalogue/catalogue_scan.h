#pragma once
// Fills the catalogue from HKEY_CLASSES_ROOT\CLSID.
#include <windows.h>

#include <string>

#include "catalogue/catalogue.h"

namespace nivex {

// What a scan tells the window that runs it. Every call is optional.
class ScanObserver {
public:
    virtual ~ScanObserver() = default;
    // The number of classes found under CLSID.
    virtual void ScanStarted(int classCount) { (void)classCount; }
    // After class index (1-based) was looked at; lastName is the name of the last control read.
    virtual void ClassDone(int index, const std::wstring& lastName) { (void)index, (void)lastName; }
    virtual void ScanFinished() {}
};

// The default value of root\path as every reader decodes it (registry/reg_value.h), empty when the key or the
// value is absent.
std::wstring ReadDefaultValue(HKEY root, const std::wstring& path);

// The default value of HKEY_CLASSES_ROOT\TypeLib\{id}\{version}, empty when that key does not exist.
std::wstring GetLibraryName(const std::wstring& typeLibId, const std::wstring& version);

// A full scan: clears the catalogue and files every in-process control with a type library, from each view of
// the machine that the catalogue shows (the 64-bit view first).
void PopulateList(Catalogue& catalogue, ScanObserver* observer = nullptr);

// The view a server file registers in: the one of its machine type (read from the file), the program's own
// when the file tells none or the machine has no such view.
RegistryView ViewOfServerFile(const std::wstring& path);

// Adds the controls served by one file (compared without regard to case, and as the server's process names
// it) without clearing anything, from the view of the file's machine type.
void AddControlsForFile(Catalogue& catalogue, const std::wstring& path, ScanObserver* observer = nullptr);
// The same in a given view.
void AddControlsForFile(Catalogue& catalogue, const std::wstring& path, RegistryView view,
                        ScanObserver* observer = nullptr);

} // namespace nivex
