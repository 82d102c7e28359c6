#pragma once

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariantList>
#include <gtest/gtest.h>

// The private server of scripts/start-test-postgres.sh, named in VELMORA_PG_STATE by CTest.
struct TestPostgres {
    QString port; // empty: no server, and whyNot says why
    QString whyNot;
    QString ownerPassword; // of velmora_owner, who owns the tables the desks' velmora only reads and adds to
};

inline TestPostgres FindTestPostgres() {
    TestPostgres server;
    QFile state(qEnvironmentVariable("VELMORA_PG_STATE"));
    if (!state.open(QIODevice::ReadOnly)) {
        server.whyNot = QStringLiteral("no PostgreSQL test server (run through CTest)");
        return server;
    }
    for (const QByteArray& line : state.readAll().split('\n')) {
        const QString value = QString::fromUtf8(line.mid(line.indexOf('=') + 1));
        if (line.startsWith("PORT="))
            server.port = value;
        else if (line.startsWith("OWNER_PASSWORD="))
            server.ownerPassword = value;
        else if (line.startsWith("SKIP="))
            server.whyNot = QStringLiteral("PostgreSQL test server not started: ") + value;
    }
    return server;
}

// The tables' owner, for what a test sets up and the desks may not do: deleting rows, entering
// customers, adding a trigger.
class OwnerConnection {
public:
    explicit OwnerConnection(const TestPostgres& server) {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), kName);
        database.setDatabaseName(
            QStringLiteral("DRIVER={PostgreSQL Unicode};Server=127.0.0.1;Port=%1;Database=velmora;"
                           "Uid=velmora_owner;Pwd={%2};")
                .arg(server.port, server.ownerPassword));
        EXPECT_TRUE(database.open()) << database.lastError().text().toStdString();
    }
    ~OwnerConnection() { QSqlDatabase::removeDatabase(kName); }
    OwnerConnection(const OwnerConnection&) = delete;
    OwnerConnection& operator=(const OwnerConnection&) = delete;

    QSqlQuery run(const QString& statement, const QVariantList& values = {}) const {
        // Without values a statement runs as it is, so that several may go at once.
        QSqlQuery query(QSqlDatabase::database(kName, false));
        bool done = values.isEmpty() ? query.exec(statement) : query.prepare(statement);
        for (qsizetype i = 0; i < values.size(); ++i)
            query.bindValue(static_cast<int>(i), values.at(i));
        if (!values.isEmpty() && done)
            done = query.exec();
        EXPECT_TRUE(done) << statement.toStdString() << ": " << query.lastError().text().toStdString();
        return query;
    }

private:
    static constexpr char kName[] = "velmora_owner";
};
