#pragma once

#include <QString>
#include <QtGlobal>

// Values of LabelJob.Kind. Other values (3, negatives) are legal and print nothing.
enum JobKind : qint16 {
    LargeLabel = 0,
    SingleTest = 1,
    SmallBarcode = 2,
    FourTests = 4,
};

// The current label job; reset after every job by ResetLabelJob.
struct LabelJob {
    QString CustomerId = QStringLiteral("0");
    qint16 LabelCount = 0;
    qint16 Kind = LargeLabel;
    qint16 RepeatCount = 1;
};
