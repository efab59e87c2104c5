// The program's entry: everything happens in the application object.
#include "WinApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    CWinAppBase* app = CWinAppBase::GetApp();
    return app ? app->Run() : 0;
}
