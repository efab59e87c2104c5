#include "ShellCalls.h"

ShellCalls g_shellCalls = {Shell_NotifyIconA, RegisterDeviceNotificationA, ShellExecuteA};
