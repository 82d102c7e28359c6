#pragma once

#include "DbConnection.h"

#include <QString>
#include <optional>

// What SAMPLE_ORG holds for one recorded sample.
struct StoredSample {
    QString CustomerId; // CUST_ID
    QString CodeId;     // CODE_ID; empty where none was drawn
};

// The row of a recorded sample number; nothing when no row has that number. Reads only.
std::optional<StoredSample> FindStoredSample(const DbConnection& db, const QString& SampleId);
