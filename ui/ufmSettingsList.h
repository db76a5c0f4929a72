#pragma once
// The settings list window: every setting of the driver with its value and
// default, each value edited in place. It changes the setting records directly;
// whoever opens it keeps a snapshot to undo with.

#include "device/uBaseDevice.h"
#include "ui/uDialogs.h"

#include <windows.h>
#include <commctrl.h>

namespace svcgate {

class TfrmSettingsList : private Dialog {
public:
    explicit TfrmSettingsList(TBaseDevice& ADeviceManager);
    INT_PTR ShowModal(HWND Owner); // IDOK or IDCANCEL

private:
    void OnInitDialog() override;
    bool OnMessage(UINT Msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    bool OnControlMessage(HWND control, UINT Msg, WPARAM wParam, LPARAM lParam,
                          LRESULT& result) override;
    bool OnNotify(NMHDR& header);
    bool OnCommand(WORD id, WORD code);
    bool OnListKey(WPARAM key);
    bool OnEditorKey(WPARAM key);

    void AddColumns();
    void AddHints();
    void GetRowData(LVITEMW& item);
    int SelectedRow() const;
    void SelectionChanged();
    void StartEdit();
    void EndEdit(bool Cancel);
    void PlaceEditor(int row);
    void SetAllDefault();
    void SetSelectedDefault();
    void RefreshRow(int row);
    void ShowContextMenu(LPARAM position);

    HWND List() const;

    TBaseDevice& FDeviceManager;
    // edEdit or cbEdit: the in-place editor of the row being edited.
    HWND FEditControl = nullptr;
    // The row whose value is being edited, or -1 while no editor is shown.
    int FEditRow = -1;
};

} // namespace svcgate
