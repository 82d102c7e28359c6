#pragma once

#include "DbConnection.h"
#include "LabelJob.h"

#include <QString>
#include <functional>

// r with 0 <= r < 1; the default draws from the operating system's secure source.
using CodeRandom = std::function<double()>;
double SystemCodeRandom();

// The customer's next sample number: the highest of the customer's own numbers (the customer
// number and five digits, leading zero kept) plus one, or the customer number and "00001" when it
// has none. Rows of any other shape play no part. After running number 99999 it throws AppError
// naming the customer.
QString NextSampleId(const DbConnection& db, const LabelJob& job);

// A random eight-digit upper-case hexadecimal code not yet in SAMPLE_ORG; empty text after
// 10,000 attempts that all found their candidate in use.
QString NewCodeId(const DbConnection& db, const CodeRandom& random = SystemCodeRandom);

// Records the label's row with a new code (as NewCodeId draws it) and returns the code, empty
// after 10,000 draws that all found their code in use. Under a lab-wide numbering lock the code is
// checked, then inserted; under a customer's lock the insert itself skips a code another desk
// holds, even one not yet committed (waiting for that desk's commit), and the code is drawn again.
QString RecordNewSample(const DbConnection& db, const LabelJob& job, const QString& SampleId,
                        const CodeRandom& random = SystemCodeRandom);

// Inserts one row: customer, sample number, code (empty stays empty) and the local time.
void RecordSample(const DbConnection& db, const LabelJob& job, const QString& SampleId,
                  const QString& CodeId);
