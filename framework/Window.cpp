#include "Window.h"

#include <vector>

std::string CWindow::GetWindowText(int maxChars) const {
    std::vector<char> buf(static_cast<size_t>(maxChars) + 1, '\0');
    ::GetWindowTextA(m_hWnd, buf.data(), maxChars + 1);
    return buf.data();
}
