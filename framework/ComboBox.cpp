#include "ComboBox.h"

#include <vector>

std::string CComboBox::GetLBText(int index) const {
    LRESULT length = SendMessage(CB_GETLBTEXTLEN, index);
    if (length == CB_ERR)
        return std::string();
    std::vector<char> buf(static_cast<size_t>(length) + 1, '\0');
    SendMessage(CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(buf.data()));
    return buf.data();
}
