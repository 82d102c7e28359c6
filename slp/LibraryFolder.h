#pragma once

#include <QString>

// The folder this library file lies in.
QString libraryFolder();
