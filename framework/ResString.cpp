#include "ResString.h"

std::string LoadResString(UINT id) {
    char buf[1024] = {};
    int length = LoadStringA(GetModuleHandleA(nullptr), id, buf, sizeof(buf));
    return length > 0 ? std::string(buf, length) : std::string("???");
}

int ResMessageBox(UINT textId, UINT captionId, UINT style) {
    return MessageBoxA(nullptr, LoadResString(textId).c_str(), LoadResString(captionId).c_str(),
                       style);
}
