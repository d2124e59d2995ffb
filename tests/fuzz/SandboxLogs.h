#pragma once

#include "../support/TempDir.h"

// Every file below the sandbox must be one of the module's two trace logs and read as one, else
// the target fails; then the sandbox is emptied for the next input.
void checkLogsAndClear(const TempDir& sandbox);
