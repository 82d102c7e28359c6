#pragma once

#include <QString>

// The tool's name in the title of its message boxes; the window's own title is left alone.
extern const QString ToolName;

// False on the headless platforms (offscreen, minimal), where nobody can click a message box away.
bool HasScreen();
