#pragma once

#include <QString>
#include <cstdio>

// One line on a standard stream, in the system's encoding, out at once.
inline void WriteLine(FILE* stream, const QString& text) {
    std::fprintf(stream, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stream);
}
