#pragma once

#include "SlpFailure.h"

#include <QByteArray>
#include <QString>
#include <optional>

// The name of number's file: six digits at least, more once the numbers need them.
QString numberedFileName(qint64 number);

// Writes bytes as a new file of the folder named numberedFileName(n) for the first n from `first`
// on that no file has. Several processes may share the folder: the bytes go to a temporary file
// there, written, synced and closed with every error checked, and then take the name in one step
// that fails if the name exists, so no file is ever replaced and no one sees half a file. The
// number taken, or nothing and why not; the temporary file is gone either way.
std::optional<qint64> writeNumberedFile(const QString& folder, qint64 first, const QByteArray& bytes,
                                        SlpFailure& whyNot);
