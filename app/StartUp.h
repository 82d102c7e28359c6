#pragma once

#include "MainModule.h"

#include <QString>

inline constexpr char VersionText[] = "1.0";

// Steps 1 to 6 of start-up: version text, settings path, settings, job reset (which creates the
// hidden window with its load step), logo paths, database connection (an embedded file set up only
// as newDatabase allows), then both printer libraries checked. Showing the window is the caller's
// last step. Throws AppError when a step fails; nothing after it runs.
void StartUp(MainModule& module, const QString& applicationFolder,
             NewDatabase newDatabase = NewDatabase::Allowed);

// The application folder, "/" and the setting, "\" read as "/"; the prefix is always added.
QString LogoPath(const QString& applicationFolder, const QString& setting);
