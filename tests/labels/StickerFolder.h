#pragma once

#include "AppSettings.h"
#include "SlpLibrary.h"

#include <QImage>
#include <QString>
#include <QTemporaryDir>
#include <functional>

// A throw-away application folder: copies of both built printer libraries, file printers
// "Smart Label Printer 450" (sample and large labels), "440" (result stickers) and "240" (small
// barcodes), and two generated logos. Settings name these printers and logos.
class StickerFolder {
public:
    explicit StickerFolder(const QString& builtAppFolder);

    // Empty when the folder is ready, else what went wrong.
    const QString& problem() const { return mProblem; }

    const AppSettings& settings() const { return mSettings; }
    SlpLibrary& printer7x32() { return mPrinter7x32; }
    SlpLibrary& printer62() { return mPrinter62; }

    // Runs one sticker routine and returns the path of the one PNG it left in the printer's
    // folder, empty when it left none or several.
    QString printOne(const QString& modelDigits, const std::function<void()>& print);

private:
    QTemporaryDir mDir;
    QString mProblem;
    AppSettings mSettings;
    SlpLibrary mPrinter7x32;
    SlpLibrary mPrinter62;
};
