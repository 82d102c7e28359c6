#include "ConcurrentDesks.h"
#include "SqliteFixture.h"

#include <QTemporaryDir>

namespace {

TEST(SqliteDesksTest, FourDesksOnOneFileNeverShareANumberOrCode) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    AppSettings settings;
    settings.Database = QStringLiteral("desks");
    emptyDatabaseFile(dir.filePath(settings.Database));
    DbConnection db;
    OpenConnection(db, settings, dir.path());
    runFourDesksAndCheck(settings, dir.path(), db);
    CloseConnection(db);
}

} // namespace
