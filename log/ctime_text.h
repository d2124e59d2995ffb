#pragma once

// The C library's ctime text of the current local time, its newline included, or an empty text
// when the time cannot be converted. The text stays valid until the thread's next call.
const char* currentCtimeText() noexcept;
