#include "AppSettings.h"

AppSettings g_AppSettings;
