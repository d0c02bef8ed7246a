#include "store/DataSet.h"

#include "store/Engine.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace store {

namespace {

// "%" any run, "_" one character, everything else literal and case-sensitive:
// the same pattern as a GLOB, with GLOB's own wildcards escaped.
QString likeToGlob(const QString &like)
{
    QString out;
    for (const QChar c : like) {
        if (c == u'%')
            out += u'*';
        else if (c == u'_')
            out += u'?';
        else if (c == u'*' || c == u'?' || c == u'[')
            out += u'[' + QString(c) + u']';
        else
            out += c;
    }
    return out;
}

QString quoteId(const QString &name)
{
    QString q = name;
    q.replace(u'"', QLatin1String("\"\""));
    return u'"' + q + u'"';
}

} // namespace

TQuery::TQuery(const QString &name, QObject *parent) : DataSet(name, parent) {}

TQuery::~TQuery() = default;

// The local SQL this system speaks: select * from <file>, optionally with one
// condition "<field> = :P" or "<field> like :P".
void TQuery::prepare()
{
    const QString text = m_sql.join(u' ').trimmed();
    static const QRegularExpression re(
        QStringLiteral("^select\\s+\\*\\s+from\\s+(\"[^\"]+\"|\\S+?)(?:\\s+where\\s+(\"[^\"]+\"|[^\\s=]+?)\\s*(=|like)\\s*:(\\w+))?\\s*;?$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    const auto m = re.match(text);
    if (!m.hasMatch())
        throw Error(qualified(QStringLiteral("无法识别的SQL语句: %1").arg(text)));
    auto unquote = [](QString s) {
        if (s.startsWith(u'"') && s.endsWith(u'"'))
            s = s.mid(1, s.size() - 2);
        return s;
    };
    m_file = unquote(m.captured(1));
    m_whereField = unquote(m.captured(2));
    m_whereOp = m.captured(3).toLower();
    const QString param = m.captured(4);
    if (param.compare(m_paramName, Qt::CaseInsensitive) != 0) {
        m_paramSet = false;
        m_paramValue = QVariant();
    }
    m_paramName = param;
    m_prepared = true;
    m_parsedText = m_sql.join(u' ');
}

void TQuery::setParamByName(const QString &name, const QString &value)
{
    if (!m_prepared || m_parsedText != m_sql.join(u' '))
        prepare();
    if (m_paramName.isEmpty() || name.compare(m_paramName, Qt::CaseInsensitive) != 0)
        throw Error(qualified(QStringLiteral("找不到参数 '%1'").arg(name)));
    m_paramValue = value;
    m_paramSet = true;
}

void TQuery::doOpen()
{
    // The text may have been replaced through sql() since it was prepared.
    if (!m_prepared || m_parsedText != m_sql.join(u' '))
        prepare();
    if (!m_paramName.isEmpty() && !m_paramSet)
        throw Error(qualified(QStringLiteral("参数 '%1' 没有值").arg(m_paramName)));
    if (m_databaseName.isEmpty() && QFileInfo(m_file).isRelative())
        throw Error(qualified(QStringLiteral("没有指定数据库位置")));
    QFileInfo fi(m_file);
    const QString dir = fi.isAbsolute() ? fi.absolutePath() : m_databaseName;
    auto engine = Engine::forDirectory(dir);
    auto file = engine->openFile(fi.isAbsolute() ? m_file : dir + u'/' + m_file);

    std::vector<FieldDef> defs;
    const auto &cols = file->columns();
    for (size_t i = 0; i < cols.size(); ++i)
        defs.push_back({cols[i].name, cols[i].type, cols[i].size, int(i)});

    QString text = QStringLiteral("SELECT rowid, * FROM %1").arg(file->qualifiedTable());
    QVariant bound;
    if (!m_whereField.isEmpty()) {
        const int col = file->columnIndex(m_whereField);
        if (col < 0)
            throw Error(qualified(QStringLiteral("找不到字段 '%1'").arg(m_whereField)));
        const QString field = quoteId(cols[size_t(col)].name);
        if (m_whereOp == QLatin1String("like")) {
            text += QStringLiteral(" WHERE %1 GLOB ?1").arg(field);
            bound = likeToGlob(m_paramValue.toString());
        } else {
            text += QStringLiteral(" WHERE %1 = ?1").arg(field);
            bound = m_paramValue;
            if (cols[size_t(col)].type == FieldType::Integer)
                bound = QVariant(qlonglong(m_paramValue.toString().toLongLong()));
        }
    }
    const int pk = file->primaryColumn();
    text += pk >= 0 ? QStringLiteral(" ORDER BY %1, rowid").arg(quoteId(cols[size_t(pk)].name))
                    : QStringLiteral(" ORDER BY rowid");
    sql::Stmt st = file->prepare(text);
    if (!m_whereField.isEmpty())
        st.bind(1, bound);
    // A query's result is a snapshot: later writes show only when it is reopened.
    std::vector<Row> rows;
    while (st.step()) {
        Row r;
        r.rowid = st.columnInt64(0);
        r.values.reserve(cols.size());
        for (int i = 0; i < int(cols.size()); ++i)
            r.values.push_back(file->fromStorage(i, st.column(i + 1)));
        rows.push_back(std::move(r));
    }
    m_rows = std::move(rows);
    buildFields(defs);
}

void TQuery::doClose() { m_rows.clear(); }

int TQuery::rowOf(qint64 rowid) const
{
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].rowid == rowid)
            return int(i);
    }
    return -1;
}

void TQuery::doPost(Row &, bool) { throw Error(qualified(QStringLiteral("无法修改只读数据集"))); }

void TQuery::doDelete(int) { throw Error(qualified(QStringLiteral("无法修改只读数据集"))); }

} // namespace store
