#pragma once

#include "DbConnection.h"
#include "TestQuery.h"

#include <QFile>
#include <QTemporaryDir>
#include <QVariant>
#include <gtest/gtest.h>

// A named embedded database as the package leaves it: an empty file, which the first start fills.
inline QString emptyDatabaseFile(const QString& name) {
    QFile(name + QStringLiteral(".sqlite")).open(QIODevice::WriteOnly);
    return name;
}

// A fresh embedded database file in a temporary folder, opened through OpenConnection.
class SqliteFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(mDir.isValid());
        mSettings.Database = emptyDatabaseFile(mDir.filePath(QStringLiteral("samples")));
        OpenConnection(mDb, mSettings, mDir.path());
    }
    void TearDown() override { CloseConnection(mDb); }

    // Test set-up and inspection go around the tool's own operations.
    TestQuery run(const QString& statement, const QVariantList& values = {}) {
        TestQuery query(mDb, statement, values);
        EXPECT_TRUE(query.ok()) << statement.toStdString() << ": " << query.error().toStdString();
        return query;
    }
    QVariant scalar(const QString& statement, const QVariantList& values = {}) {
        TestQuery query = run(statement, values);
        return query.next() ? query.value(0) : QVariant();
    }
    void addSample(const QString& customer, const QString& sample, const QString& code = QStringLiteral("")) {
        run(QStringLiteral("INSERT INTO SAMPLE_ORG (CUST_ID, SAMPLE_ID, CODE_ID) VALUES (?,?,?)"),
            {customer, sample, code});
    }

    QTemporaryDir mDir;
    AppSettings mSettings;
    DbConnection mDb;
};
