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

// A full scan: clears the catalogue and files every in-process control with a type library.
void PopulateList(Catalogue& catalogue, ScanObserver* observer = nullptr);

// Adds the controls served by one file (compared without regard to case) without clearing anything.
void AddControlsForFile(Catalogue& catalogue, const std::wstring& path, ScanObserver* observer = nullptr);

} // namespace nivex
