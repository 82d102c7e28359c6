#pragma once

#include "SlpFailure.h"

#include <QByteArray>
#include <QString>
#include <optional>

// The name of number's file: six digits at least, more once the numbers need them.
QString numberedFileName(qint64 number);

// The number after `highest`; 0 when none is left (a file of the largest number exists), which
// writeNumberedFile refuses instead of naming a file with a negative number.
qint64 numberAfter(qint64 highest);

// Writes bytes as a new file of the folder named numberedFileName(n) for the first n from `first`
// on that no file has. Several processes may share the folder: the bytes go to a temporary file
// there, written, synced and closed with every error checked, and then take the name in one step
// that fails if the name exists, so no file is ever replaced and no one sees half a file. The
// number taken, or nothing and why not; the temporary file is gone either way. Numbers start at
// 1 and never wrap: past the largest one the write is refused with SLP_ERROR_FOLDER_FULL.
std::optional<qint64> writeNumberedFile(const QString& folder, qint64 first, const QByteArray& bytes,
                                        SlpFailure& whyNot);
