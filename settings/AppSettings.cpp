#include "AppSettings.h"

// Built before the application object, whatever the link order.
AppSettings g_AppSettings __attribute__((init_priority(200)));
