// A combo box: the device lists and the hidden switch mirrors.
#pragma once

#include "Window.h"

#include <string>

class CComboBox : public CWindow {
  public:
    int GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
    int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
    int SetCurSel(int index) const { return static_cast<int>(SendMessage(CB_SETCURSEL, index)); }
    void ResetContent() const { SendMessage(CB_RESETCONTENT); }
    int AddString(const std::string& text) const {
        return static_cast<int>(
            SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    }
    // Case-insensitive prefix search that starts after `startAfter` and wraps.
    std::string GetLBText(int index) const;
    void* GetItemDataPtr(int index) const {
        return reinterpret_cast<void*>(SendMessage(CB_GETITEMDATA, index));
    }
    void SetItemDataPtr(int index, void* data) const {
        SendMessage(CB_SETITEMDATA, index, reinterpret_cast<LPARAM>(data));
    }
};
