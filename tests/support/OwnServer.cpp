#include "tests/support/OwnServer.h"

#include "store/DataSet.h"
#include "store/Postgres.h"
#include "store/Schema.h"

#include <QCoreApplication>
#include <QProcess>

namespace fixture {

namespace {

QString script() { return qEnvironmentVariable("QUILLMERE_SOURCE_DIR") + QStringLiteral("/scripts/pgcluster"); }

} // namespace

OwnServer::OwnServer() : m_dir(QStringLiteral("/tmp/qm-own-%1").arg(QCoreApplication::applicationPid()))
{
    QProcess p;
    p.start(script(), {QStringLiteral("restart"), m_dir});
    p.waitForFinished(120000);
    m_info = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

OwnServer::~OwnServer() { QProcess::execute(script(), {QStringLiteral("stop"), m_dir}); }

QString OwnServer::office() const
{
    store::pg::Connection(m_info).exec(QStringLiteral("CREATE DATABASE office"));
    const QString office = m_info + QStringLiteral(" dbname=office");
    store::pg::Connection c(office);
    c.exec(QStringLiteral("BEGIN"));
    store::schema::createServerTables(c);
    c.exec(QStringLiteral("COMMIT"));
    store::setEngineServer(office);
    return office;
}

bool OwnServer::halt() { return QProcess::execute(script(), {QStringLiteral("halt"), m_dir}) == 0; }

bool OwnServer::resume() { return QProcess::execute(script(), {QStringLiteral("resume"), m_dir}) == 0; }

} // namespace fixture
