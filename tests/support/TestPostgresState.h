#pragma once

#include <QFile>
#include <QString>

// The private server of scripts/start-test-postgres.sh, named in VELMORA_PG_STATE. No port: no
// server, and whyNot says why. The tables belong to velmora_owner; the desks' velmora may only read
// them and add samples.
struct TestPostgres {
    QString port, whyNot, ownerPassword;
};

// startedBy: what sets VELMORA_PG_STATE for this program, named when it is missing.
inline TestPostgres FindTestPostgres(const QString& startedBy = QStringLiteral("CTest")) {
    TestPostgres server;
    server.whyNot = QStringLiteral("no PostgreSQL test server (run through %1)").arg(startedBy);
    QFile state(qEnvironmentVariable("VELMORA_PG_STATE"));
    for (const QByteArray& line :
         state.open(QIODevice::ReadOnly) ? state.readAll().split('\n') : QByteArrayList()) {
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
