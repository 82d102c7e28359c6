#pragma once

#include "SlpPrinterApi.h"

#include <QString>

#include <memory>

// One of our printer libraries, loaded by full path at its first call. A missing library or
// function throws AppError carrying the loader's text.
class SlpLibrary final : public SlpPrinterApi {
public:
    explicit SlpLibrary(QString libraryPath);
    ~SlpLibrary() override;

    // ... every SlpPrinterApi operation
private:
    struct Bound;
    QString mPath;
    std::unique_ptr<Bound> mBound;
};
