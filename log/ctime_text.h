#pragma once

#include <string>

// Appends the C library's ctime text of the current local time, newline included.
void appendCtimeText(std::string& out);
