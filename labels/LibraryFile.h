#pragma once

#include <QString>

// Checks a printer library file before the loader maps it. A file shorter than its own ELF header
// or program headers say would be mapped beyond its end, and the first touch of the missing part
// ends the process with SIGBUS, after a row has been recorded. Throws AppError naming the file for
// a missing file, a file that is not a plain file, or one that cannot be mapped whole. A file that
// is no ELF file of this machine's kind is left to the loader, which refuses it in its own words.
void CheckLibraryFile(const QString& path);
