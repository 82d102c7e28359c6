#pragma once

#include "AppSettings.h"

#include <QByteArrayView>
#include <QString>

// Returns the text with "\" appended unless it already ends in one; empty text gives "\".
QString EnsureTrailingBackslash(const QString& text);

// One line of VO_Vudu.ini, without its line break, applied to the settings.
void ApplySettingsLine(AppSettings& settings, const QString& line);

// The file's bytes (Windows-1252; lines end at CR LF, LF or a lone CR), line by line in file order.
// Throws AppError for a line of 32,767 characters or more.
void ReadSettingsText(AppSettings& settings, QByteArrayView bytes);

// Reads settings.SettingsFilePath, creating the file empty when it is missing. Throws AppError
// when it can be neither read nor created.
void ReadSettings(AppSettings& settings);
