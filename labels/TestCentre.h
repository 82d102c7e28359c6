#pragma once

#include "AppSettings.h"
#include "LabelJob.h"

#include <QString>
#include <QtGlobal>

// The test centre whose logo and web address a result sticker carries.
struct TestCentre {
    QString logoFile;
    QString homePage;
    qint32 logoRight; // right edge of the logo on the single result sticker, in dots
};

// Test centre 1 for customer numbers starting with "7", test centre 2 for all others.
TestCentre pickTestCentre(const AppSettings& settings, const LabelJob& job);
