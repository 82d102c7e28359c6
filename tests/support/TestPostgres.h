#pragma once

#include "TestPostgresState.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariantList>
#include <gtest/gtest.h>

// What a test sets up and no desk may do (deleting rows, entering customers, a trigger), as the owner.
class OwnerConnection {
public:
    explicit OwnerConnection(const TestPostgres& server) {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), kName);
        database.setDatabaseName(QStringLiteral("DRIVER={PostgreSQL Unicode};Server=127.0.0.1;Port=%1;"
                                                "Database=velmora;Uid=velmora_owner;Pwd={%2};")
                                     .arg(server.port, server.ownerPassword));
        EXPECT_TRUE(database.open()) << database.lastError().text().toStdString();
    }
    ~OwnerConnection() { QSqlDatabase::removeDatabase(kName); }

    // Without values a statement runs as it is, so that several may go at once.
    QSqlQuery run(const QString& statement, const QVariantList& values = {}) const {
        QSqlQuery query(QSqlDatabase::database(kName, false));
        bool done = values.isEmpty() ? query.exec(statement) : query.prepare(statement);
        for (qsizetype i = 0; i < values.size(); ++i)
            query.bindValue(static_cast<int>(i), values.at(i));
        done = done && (values.isEmpty() || query.exec());
        EXPECT_TRUE(done) << statement.toStdString() << ": " << query.lastError().text().toStdString();
        return query;
    }

private:
    static constexpr char kName[] = "velmora_owner";
};
