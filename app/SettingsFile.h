#pragma once

#include "AppSettings.h"

#include <QByteArrayView>
#include <QString>

// Returns the text with "\" appended unless it already ends in one; empty text gives "\".
QString EnsureTrailingBackslash(const QString& text);

// One line of VO_Vudu.ini, without its line break, applied to the settings. Throws AppError naming
// the line when the value of a known key holds a NUL character.
void ApplySettingsLine(AppSettings& settings, const QString& line, qsizetype lineNumber = 0);

// The file's bytes (Windows-1252, or UTF-8 after a UTF-8 byte order mark, which is skipped; lines end
// at CR LF, LF or a lone CR), line by line in file order. Throws AppError for a file in UTF-16 or
// UTF-32 (by its mark or by NUL bytes among its first characters), for a line of 32,767 characters
// or more, and for a NUL in a known key's value.
void ReadSettingsText(AppSettings& settings, QByteArrayView bytes);

// Reads settings.SettingsFilePath, creating the file empty when it is missing, in pieces: a huge
// file costs no more memory than its longest allowed line. Throws AppError when it can be neither
// read nor created, and at once when it is no plain file (a FIFO, a device, a folder).
void ReadSettings(AppSettings& settings);
