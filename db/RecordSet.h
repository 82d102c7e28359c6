#pragma once

#include "DbConnection.h"

#include <QList>
#include <QSqlRecord>
#include <QString>
#include <QVariant>
#include <QVariantList>

// The result of one query, read forward from its first row. Values are bound by position to
// the statement's "?" markers. Throws AppError with the driver's text when the query fails.
class RecordSet {
public:
    RecordSet(const DbConnection& db, const QString& statement, const QVariantList& parameters = {});

    // True when there is no current row; set at once for an empty result.
    bool eof() const { return mRow >= mRows.size(); }

    // The column's value in the current row, looked up without regard to case (servers fold
    // aliases differently). An SQL NULL is an invalid QVariant, so isNull() shows it.
    QVariant field(const QString& name) const;

    void moveNext() { ++mRow; }

private:
    QList<QSqlRecord> mRows;
    qsizetype mRow = 0;
};
