#pragma once

#include "AppSettings.h"
#include "SlpLibrary.h"

#include <QString>
#include <QTemporaryDir>

// A throw-away application folder like an installed one: copies of both built printer libraries,
// file printers for slots 1 to 3 and two logos. Throws std::runtime_error when it cannot be made.
class BenchAppFolder {
public:
    BenchAppFolder();

    QString path() const { return mDir.path(); }
    const AppSettings& settings() const { return mSettings; }
    SlpLibrary& printer7x32() { return mPrinter7x32; }
    SlpLibrary& printer62() { return mPrinter62; }

    // Empties every printer folder: the file printers look through their folder for the next
    // number, so a folder left to fill would measure that look-up rather than the sticker.
    void clearPrinters() const;

private:
    QTemporaryDir mDir;
    AppSettings mSettings;
    SlpLibrary mPrinter7x32;
    SlpLibrary mPrinter62;
};
