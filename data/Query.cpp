#include "data/Query.h"
#include "data/DataSet.h"
#include "db/StoredTable.h"

#include "db/Engine.h"
#include "db/open/OpenEngine.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace store {

using sql::quoteId;


TQuery::TQuery(const QString &name, QObject *parent) : DataSet(name, parent) {}


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

void TQuery::reopen(const QString &text, const QString &param, const QString &value)
{
    close();
    setSql(text);
    prepare();
    if (!param.isEmpty())
        setParamByName(param, value);
    open();
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
    auto engine = openEngine(dir);
    auto file = engine->openTable(fi.isAbsolute() ? m_file : dir + u'/' + m_file);

    std::vector<FieldDef> defs;
    const auto &cols = file->columns();
    for (size_t i = 0; i < cols.size(); ++i)
        defs.push_back({cols[i].name, cols[i].type, cols[i].size, int(i)});

    QString filter;
    QVariant bound;
    if (!m_whereField.isEmpty()) {
        const int col = file->columnIndex(m_whereField);
        if (col < 0)
            throw Error(qualified(QStringLiteral("找不到字段 '%1'").arg(m_whereField)));
        const QString field = quoteId(cols[size_t(col)].name);
        if (m_whereOp == QLatin1String("like")) {
            filter = engine->likeCondition(field, m_paramValue.toString(), &bound);
        } else {
            filter = QStringLiteral("%1 = ?1").arg(field);
            bound = m_paramValue;
            if (cols[size_t(col)].type == FieldType::Integer)
                bound = QVariant(qlonglong(m_paramValue.toString().toLongLong()));
        }
    }
    const int pk = file->primaryColumn();
    m_rowidOrder = pk < 0;
    m_rows.bind(file.get(), pk, false, filter, bound);
    m_table = file;
    m_table->attachSnapshot(this);
    m_frozen = false;
    m_frozenRows.clear();
    m_sortedRows.clear();
    m_saved.clear();
    m_cache.rows.clear();
    (void)m_rows.count(); // what is shown is counted now, as it is stored now
    buildFields(defs);
}

void TQuery::doClose()
{
    if (m_table)
        m_table->detachSnapshot(this);
    m_table.reset();
    m_rows.unbind();
    m_frozen = false;
    m_frozenRows.clear();
    m_sortedRows.clear();
    m_saved.clear();
    m_cache.rows.clear();
}

TQuery::~TQuery()
{
    if (m_table)
        m_table->detachSnapshot(this);
}

int TQuery::doCount() const { return m_frozen ? int(m_frozenRows.size()) : m_rows.count(); }

qint64 TQuery::rowidAt(int row) const
{
    if (m_frozen)
        return row >= 0 && row < int(m_frozenRows.size()) ? m_frozenRows[size_t(row)] : 0;
    return m_rows.at(row).rowid;
}

int TQuery::rowOf(qint64 rowid) const
{
    if (!m_frozen)
        return m_rows.positionOf(rowid);
    for (size_t i = 0; i < m_frozenRows.size(); ++i) {
        if (m_frozenRows[i] == rowid)
            return int(i);
    }
    return -1;
}

DataSet::Row TQuery::doFetch(int row) const
{
    const qint64 rowid = rowidAt(row);
    if (m_frozen) {
        auto saved = m_saved.find(rowid);
        if (saved != m_saved.end())
            return saved->second;
    }
    return readThrough(*m_table, m_cache, rowid);
}

// Which records are shown is fixed from the first write on: the row ids are
// noted once (a few bytes per record, not the records themselves).
void TQuery::freeze()
{
    if (m_frozen)
        return;
    m_frozenRows = m_rows.rowids();
    if (!m_rowidOrder) {
        m_sortedRows = m_frozenRows;
        std::sort(m_sortedRows.begin(), m_sortedRows.end());
    }
    m_rows.forget();
    m_frozen = true;
}

bool TQuery::shows(qint64 rowid) const
{
    const std::vector<qint64> &sorted = m_rowidOrder ? m_frozenRows : m_sortedRows;
    return std::binary_search(sorted.begin(), sorted.end(), rowid);
}

void TQuery::beforeWrite(qint64 rowid)
{
    freeze();
    if (rowid == 0)
        return; // a new record is not in the result
    auto keep = [this](qint64 id) {
        if (m_saved.count(id))
            return;
        Row r;
        r.rowid = id;
        r.values = m_table->fetch(id);
        if (!r.values.empty())
            m_saved.emplace(id, std::move(r));
    };
    if (rowid > 0) {
        if (shows(rowid))
            keep(rowid);
        return;
    }
    for (qint64 id : m_frozenRows)
        keep(id);
}

void TQuery::doPost(Row &, bool) { throw Error(qualified(QStringLiteral("无法修改只读数据集"))); }

void TQuery::doDelete(int) { throw Error(qualified(QStringLiteral("无法修改只读数据集"))); }

} // namespace store
