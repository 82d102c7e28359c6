#pragma once

// Closes the databases and removes the application folder that several benchmarks share. Called
// by main() while the application object still exists: Qt's database and library handling is
// gone by the time static objects are destroyed.
void ReleaseWorkingDatabases();
void ReleaseStickerFolder();
void ReleaseCupsServer();
