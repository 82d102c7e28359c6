#include "AppError.h"
#include "DbConnection.h"

#include <QDir>

namespace {

const QString kLoginTrusted = QStringLiteral("2000");
const QString kLoginVelmora = QStringLiteral("velmora");

// An ODBC attribute value in braces, so ";" "=" and blanks inside it are data.
QString braced(const QString& value) {
    QString escaped = value;
    escaped.replace(QLatin1Char('}'), QStringLiteral("}}"));
    return QLatin1Char('{') + escaped + QLatin1Char('}');
}

QString attribute(const QString& key, const QString& value) {
    return key + QLatin1Char('=') + braced(value) + QLatin1Char(';');
}

// psqlODBC reads braces only around the password: other values go in bare, and one that would
// end the attribute or add another is refused rather than passed on.
QString bareAttribute(const QString& key, const QString& value) {
    static const QString special = QStringLiteral(";{}");
    for (const QChar c : value)
        if (special.contains(c))
            throw AppError(QStringLiteral("Invalid character in ODBC connection value: %1").arg(value));
    return key + QLatin1Char('=') + value + QLatin1Char(';');
}

} // namespace

QString ComposeConnectionString(const AppSettings& settings) {
    if (settings.SqlSvr == kLoginTrusted)
        return QStringLiteral("Provider=SQLOLEDB.1;Persist Security Info=True;Trusted_Connection=yes;") +
               QStringLiteral("Initial Catalog=") + settings.Database + QStringLiteral(";") +
               QStringLiteral("Data Source=") + settings.Server;
    if (settings.SqlSvr == kLoginVelmora)
        return QStringLiteral("Provider=SQLOLEDB.1;Persist Security Info=False;") +
               QStringLiteral("Initial Catalog=") + settings.Database + QStringLiteral(";") +
               QStringLiteral("User ID=velmora; PWD=tansel;") + QStringLiteral("Data Source=") +
               settings.Server;
    return QStringLiteral("Provider=SQLOLEDB.1;Persist Security Info=true;") +
           QStringLiteral("Initial Catalog=") + settings.Database + QStringLiteral(";") +
           QStringLiteral("User ID=sa;") + QStringLiteral("Data Source=") + settings.Server;
}

DbBackend OdbcBackend(const AppSettings& settings) {
    return settings.OdbcDriver.contains(QStringLiteral("PostgreSQL"), Qt::CaseInsensitive)
               ? DbBackend::PostgreSql
               : DbBackend::SqlServer;
}

QString OdbcConnectionString(const AppSettings& settings) {
    const QString driver = settings.OdbcDriver.isEmpty() ? QStringLiteral("FreeTDS") : settings.OdbcDriver;
    QString text = attribute(QStringLiteral("Driver"), driver);

    const bool postgres = OdbcBackend(settings) == DbBackend::PostgreSql;
    const auto value = postgres ? bareAttribute : attribute;

    if (postgres) {
        // psqlODBC takes the port apart; an instance name means nothing to PostgreSQL.
        QString host = settings.Server.section(QLatin1Char('\\'), 0, 0);
        const qsizetype comma = host.indexOf(QLatin1Char(','));
        QString port;
        if (comma >= 0) {
            port = host.mid(comma + 1).trimmed();
            host = host.left(comma);
        }
        text += value(QStringLiteral("Server"), host);
        if (!port.isEmpty())
            text += value(QStringLiteral("Port"), port);
    } else {
        // FreeTDS reads host, host\instance and host,port itself.
        text += value(QStringLiteral("Server"), settings.Server);
    }
    text += value(QStringLiteral("Database"), settings.Database);

    if (settings.SqlSvr == kLoginTrusted)
        text += QStringLiteral("Trusted_Connection=Yes;");
    else if (settings.SqlSvr == kLoginVelmora)
        text += value(QStringLiteral("UID"), QStringLiteral("velmora")) +
                attribute(QStringLiteral("PWD"), QStringLiteral("tansel"));
    else
        text +=
            value(QStringLiteral("UID"), QStringLiteral("sa")) + attribute(QStringLiteral("PWD"), QString());
    // psqlODBC would wrap every statement of a transaction in a SAVEPOINT and its RELEASE, and
    // DEALLOCATE each prepared statement: three round trips for one, most of them inside the
    // numbering lock. The tool rolls back a transaction that fails anyway.
    if (postgres)
        text += QStringLiteral("Protocol=7.4-1;UseServerSidePrepare=0;");
    return text;
}

QString SqliteFilePath(const AppSettings& settings, const QString& applicationFolder) {
    const QString name = (settings.Database.isEmpty() ? QStringLiteral("VO_Vudu") : settings.Database) +
                         QStringLiteral(".sqlite");
    if (QDir::isAbsolutePath(name))
        return QDir::cleanPath(name);
    return QDir::cleanPath(QDir(applicationFolder).filePath(name));
}
