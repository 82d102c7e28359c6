#pragma once

#include "DbConnection.h"

#include <QList>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariantList>

// A test's own statement, around the tool's operations: run on the thread that owns the
// connection, its rows read there, then stepped through with next() and value() as with a
// QSqlQuery. Values are bound as given, so a null text stays NULL.
class TestQuery {
public:
    TestQuery(const DbConnection& db, const QString& statement, const QVariantList& values = {}) {
        RunStatement(db, QStringLiteral("a test's statement"), [&](QSqlDatabase& database) {
            QSqlQuery query(database);
            if (query.prepare(statement)) {
                for (qsizetype i = 0; i < values.size(); ++i)
                    query.bindValue(static_cast<int>(i), values.at(i));
                if (query.exec())
                    while (query.next())
                        mRows.append(query.record());
            }
            mError = query.lastError().isValid() ? query.lastError().text() : QString();
        });
    }

    bool ok() const { return mError.isNull(); }
    const QString& error() const { return mError; }
    bool next() { return ++mRow < mRows.size(); }
    QVariant value(int column) const { return mRows.at(mRow).value(column); }

private:
    QList<QSqlRecord> mRows;
    qsizetype mRow = -1;
    QString mError;
};
