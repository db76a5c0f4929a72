#pragma once
// The person wizard: a person is a key container on the hardware key named by
// the person's gateway login. Adding one creates the container and registers its
// public key with the gateway; removing one deletes the container from the token.

#include "common/Owners.h"
#include "gateway/uDevice.h"
#include "ui/uDialogs.h"

#include <windows.h>

#include <string>
#include <vector>

namespace svcgate {

class TfrmETokenProtectionSetup : private Dialog {
public:
    TfrmETokenProtectionSetup(HWND AOwner, TDevice& ADevice);
    INT_PTR ShowModal();

private:
    enum TPage { tsAddOrDelete, tsDeletePerson, tsAddPerson };

    void OnInitDialog() override;
    bool OnMessage(UINT Msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    bool OnCommand(WORD id, WORD code);
    bool PaintHeader(HDC dc);

    void ShowPage(TPage page);
    void ApplyPageChange();
    void FillPersons();
    void NextClicked();
    bool AddPerson();
    bool DeletePerson();
    void ShowPassword(bool visible);

    HWND FOwner;
    TDevice& FDevice;
    std::vector<std::wstring> FCaptions;
    TPage FActivePage = tsAddOrDelete;
    unique_hfont FCaptionFont;
};

} // namespace svcgate
