#pragma once

#include "DbConnection.h"
#include "TestQuery.h"

#include <QProcess>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

// Four desks numbering 250 labels each for customer 701 at the same moment, then a look at
// what they recorded: every number once, consecutive, every code once.
inline void runFourDesksAndCheck(const AppSettings& settings, const QString& appFolder,
                                 const DbConnection& db) {
    constexpr int kDesks = 4;
    constexpr int kLabels = 250;
    std::vector<std::unique_ptr<QProcess>> desks;
    for (int i = 0; i < kDesks; ++i) {
        auto desk = std::make_unique<QProcess>();
        desk->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        desk->start(QStringLiteral(VELMORA_NUMBERING_WORKER),
                    {settings.Server, settings.Database, settings.SqlSvr, settings.OdbcDriver, appFolder,
                     QStringLiteral("701"), QString::number(kLabels)});
        desks.push_back(std::move(desk));
    }
    for (auto& desk : desks) {
        // A bound against a hung desk, not a measurement.
        ASSERT_TRUE(desk->waitForFinished(300000));
        EXPECT_EQ(desk->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(desk->exitCode(), 0);
    }

    TestQuery query(db, QStringLiteral("SELECT count(*), count(DISTINCT SAMPLE_ID), min(SAMPLE_ID), "
                                       "max(SAMPLE_ID), count(DISTINCT CODE_ID), "
                                       "min(length(CODE_ID)) FROM SAMPLE_ORG WHERE CUST_ID = '701'"));
    ASSERT_TRUE(query.ok()) << query.error().toStdString();
    ASSERT_TRUE(query.next());
    const int rows = kDesks * kLabels;
    EXPECT_EQ(query.value(0).toInt(), rows);
    EXPECT_EQ(query.value(1).toInt(), rows);
    EXPECT_EQ(query.value(2).toString(), QStringLiteral("70100001"));
    EXPECT_EQ(query.value(3).toString(), QString::number(70100000 + rows));
    EXPECT_EQ(query.value(4).toInt(), rows);
    EXPECT_EQ(query.value(5).toInt(), 8);
}
