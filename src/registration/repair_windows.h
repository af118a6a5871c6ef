#pragma once
// The repair windows: Edit Data (frmEditData) and Find Missing File (frmFindFile).
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "common/desktop.h"
#include "common/window.h"
#include "registration/reg_backup.h"
#include "registration/repair_commands.h"
#include "registration/repair_rules.h"

namespace nivex {

// The value edited is read from the registry when the dialog opens, never taken from the screen.
struct EditDataRequest {
    std::wstring classId;     // the selected control
    std::wstring controlName; // for the caption
    std::wstring element;     // the selected row's element
    RegistryView view = OwnView(); // the control's registry view
};
// Called with the value read back after a write, for the element's row.
using RowUpdated = std::function<void(const std::wstring& element, const std::wstring& value)>;

class frmEditData final : public Dialog {
public:
    frmEditData(Desktop& desktop, EditDataRequest request, RowUpdated rowUpdated);
    // The text the dialog started with: the stored value, unexpanded.
    const std::wstring& OldValue() const { return oldValue_; }
    bool Written() const { return written_; }
    static frmEditData* Current();

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDestroyed() override;

private:
    void OnOk();
    Desktop& desktop_;
    EditDataRequest request_;
    RowUpdated rowUpdated_;
    std::wstring oldValue_;
    bool written_ = false;
};

// Edit > Edit Data... on a row of the details list: beeps for the "Status" row, otherwise shows the dialog
// owned by owner (disabled meanwhile). True when a value was written.
bool EditDataCommand(HWND owner, Desktop& desktop, const EditDataRequest& request, const RowUpdated& rowUpdated);

class frmFindFile final : public Dialog {
public:
    explicit frmFindFile(Desktop& desktop);
    ~frmFindFile() override;

    // Prepares the window for the missing file at sFind whose library sLib is replaced.
    void SetupFind(const std::wstring& sFind, const std::wstring& sLib);
    // The file chosen and confirmed with "Select File" (empty when none).
    const std::wstring& Chosen() const { return chosen_; }
    const std::wstring& SearchFolder() const { return searchFolder_; }
    bool Searching() const { return searching_; }
    static frmFindFile* Current();

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDestroyed() override;

private:
    friend class FindFileObserver;
    struct LookInEntry {
        std::wstring key;
        std::wstring text;
        int image = 0;
    };
    void OnInit();
    void FillLookIn();
    void AddLookIn(const LookInEntry& entry);
    void SelectLookIn(int index);
    void OnLookInChanged();
    void OnBrowse();
    void OnSearch();
    void OnChooseFile();
    void OnCancelButton();
    void RequestClose();
    void AddResult(const std::wstring& path, const std::wstring& name, const std::wstring& folder);
    void Pump();
    HWND Item(int id) const { return GetDlgItem(Handle(), id); }

    Desktop& desktop_;
    std::wstring wanted_;
    std::wstring library_;
    std::wstring searchFolder_;
    bool stopRequested_ = false;
    bool searching_ = false;
    std::wstring chosen_;
    std::vector<LookInEntry> lookIn_;
    std::vector<std::wstring> resultKeys_;
    int imageFolder_ = 0, imageHardDisk_ = 0, imageControl_ = 0;
};

// Edit > Restore Registry Keys...: the backups in the backup folder (time, operation, control), newest
// first, with Restore, Open Folder, Delete and Browse for any other file.
class frmRestoreList final : public Dialog {
public:
    explicit frmRestoreList(Desktop& desktop);
    // True once keys were written or deleted (the caller rescans).
    bool Restored() const { return restored_; }
    // The files listed, top to bottom.
    const std::vector<BackupEntry>& Entries() const { return entries_; }
    static frmRestoreList* Current();

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDestroyed() override;

private:
    void Fill();
    int SelectedIndex() const;
    void OnRestore();
    void OnDelete();
    void UpdateButtons();
    HWND Item(int id) const { return GetDlgItem(Handle(), id); }

    Desktop& desktop_;
    std::vector<BackupEntry> entries_;
    bool restored_ = false;
};

// Shows the restore list owned by owner; true when keys were restored.
bool RestoreListCommand(HWND owner, Desktop& desktop);

// Edit > Find Missing File...: shows the search window owned by owner (disabled meanwhile) for the missing
// file at missingPath. Returns the found file the user chose and confirmed; empty when the window was
// closed otherwise. The caller then runs ChangeFileReference with it.
std::wstring ShowFindFile(HWND owner, Desktop& desktop, const std::wstring& missingPath, const std::wstring& libraryId);

// Edit > Find Missing File... on the selected control: the search window, then ChangeFileReference with the
// chosen file for the control's library.
CatalogueChange FindMissingFileCommand(Catalogue& catalogue, const std::wstring& missingPath,
                                       const std::wstring& libraryKey, HWND owner, Desktop& desktop,
                                       OutcomeDisplay& display, const StatusText& status,
                                       RegistryView view = OwnView());

} // namespace nivex
