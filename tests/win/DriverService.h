// Stops and starts the stand-in driver's service, for the "no driver" cases.
#pragma once

bool StopDriverService();
bool StartDriverService();
