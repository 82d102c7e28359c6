#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Checks a printer library file before the loader maps it. A file shorter than its own ELF header
// or program headers say would be mapped beyond its end, and the first touch of the missing part
// ends the process with SIGBUS, after a row has been recorded. Throws AppError naming the file for
// a missing file, a file that is not a plain file, or one that cannot be mapped whole. A file that
// is no ELF file of this machine's kind is left to the loader, which refuses it in its own words.
void CheckLibraryFile(const QString& path);

// The same checks, and then the library's dynamic symbol table, read from the file without loading
// it: loading would run the library's own start-up code in the process long before any sticker
// needs it. Throws AppError naming the file and every function of `functions` it does not export,
// and for a file the loader could not take as a library of this machine.
void CheckLibraryExports(const QString& path, const QList<QByteArray>& functions);
