#include "exchange/Import.h"

#include "core/Dates.h"
#include "core/Error.h"
#include "db/Codepage.h"
#include "db/Convert.h"
#include "db/Engine.h"
#include "db/open/OpenEngine.h"
#include "db/StoredTable.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cmath>
#include <optional>

namespace exchange {

std::function<void(const QString &)> beforeImport;

QString ImportOutcome::summary() const
{
    return QStringLiteral("新增 %1 条, 更新 %2 条, 未变 %3 条, 拒绝 %4 行")
        .arg(added)
        .arg(updated)
        .arg(unchanged)
        .arg(refused.size());
}

QStringList ImportOutcome::refusalLines() const
{
    QStringList lines;
    for (const Refusal &r : refused)
        lines << QStringLiteral("第%1行 %2: %3").arg(r.row).arg(r.field, r.reason);
    return lines;
}

namespace {

using store::FieldType;

// A header names a field by the field's own name; blanks and colons (half
// or full width) around or inside it do not count.
QString headerName(const Cell &cell)
{
    QString s = cell.toString();
    s.remove(QRegularExpression(QStringLiteral("[\\s\\x{3000}:：]")));
    return s;
}

// An .xlsx number as the text a clerk sees: 123, never 123.0 or 1.23E+2.
QString numberText(double d)
{
    if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 1e15)
        return QString::number(qint64(d));
    return QString::number(d, 'g', 15);
}

std::optional<QDate> parseDate(const QString &raw)
{
    const QString s = raw.trimmed();
    static const QRegularExpression compact(QStringLiteral("^(\\d{4})(\\d{2})(\\d{2})$"));
    static const QRegularExpression chinese(QStringLiteral("^(\\d{4})年(\\d{1,2})月(\\d{1,2})日$"));
    // The year first, as the program stores dates and spreadsheets write
    // them, with a midnight time at most.
    static const QRegularExpression yearFirst(
        QStringLiteral("^(\\d{4})\\s*[-/.]\\s*(\\d{1,2})\\s*[-/.]\\s*(\\d{1,2})(?:[ T]+0?0:00(?::00)?)?$"));
    for (const QRegularExpression *re : {&yearFirst, &compact, &chinese}) {
        const auto m = re->match(s);
        if (m.hasMatch()) {
            const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
            return d.isValid() ? std::optional<QDate>(d) : std::nullopt;
        }
    }
    // 2009-01-05, 2009/1/5, 2009.1.5 and the desktop's own short form.
    if (const auto dt = dates::parse(s))
        return dt->date();
    return std::nullopt;
}

// The bytes of a text in code page 936, or -1 when a character has no code
// there. ASCII takes a byte a character; other texts go through one
// converter pair kept for the import, not one opened per value.
class Cp936Length {
public:
    int operator()(const QString &text)
    {
        bool ascii = true;
        for (QChar c : text) {
            if (c.unicode() >= 0x80) {
                ascii = false;
                break;
            }
        }
        if (ascii)
            return int(text.size());
        if (!m_encoder.isValid())
            return store::cp936::canEncode(text) ? store::cp936::byteLength(text) : -1;
        m_encoder.resetState();
        m_decoder.resetState();
        const QByteArray bytes = m_encoder.encode(text);
        const QString back = m_decoder.decode(bytes);
        // The converter puts "?" for what it cannot hold.
        return back == text ? int(bytes.size()) : -1;
    }

private:
    QStringEncoder m_encoder{"GBK"};
    QStringDecoder m_decoder{"GBK"};
};

struct Field {
    QString name;
    int column = -1; // the table file's column
    FieldType type = FieldType::Text;
    int size = 0;
};

// A cell as the value a clerk typing it into the window would store, or
// the reason it cannot be stored.
std::optional<QVariant> convert(const Cell &cell, const Field &f, QString *reason)
{
    static thread_local Cp936Length cp936Length;
    if (!cell.isValid() || cell.isNull())
        return QVariant();
    const bool number = cell.typeId() == QMetaType::Double;
    const bool date = cell.typeId() == QMetaType::QDate;
    switch (f.type) {
    case FieldType::Integer: {
        if (number) {
            const double d = cell.toDouble();
            if (d == std::floor(d) && std::fabs(d) <= 2147483647.0)
                return QVariant(qint32(d));
            *reason = QStringLiteral("'%1' 不是一个有效的整形值").arg(numberText(d));
            return std::nullopt;
        }
        const QString text = cell.toString().trimmed();
        if (text.isEmpty())
            return QVariant();
        try {
            return QVariant(store::strToInt(text));
        } catch (const store::Error &e) {
            *reason = e.text();
            return std::nullopt;
        }
    }
    case FieldType::DateTime: {
        std::optional<QDate> d;
        if (date)
            d = cell.toDate();
        else if (number)
            d = parseDate(numberText(cell.toDouble()));
        else if (cell.toString().trimmed().isEmpty())
            return QVariant();
        else
            d = parseDate(cell.toString());
        // Without a time zone: a local time looks the zone up on every
        // record, and only the date and the time of day are stored.
        if (d && d->isValid())
            return QVariant(QDateTime(*d, QTime(0, 0), Qt::UTC));
        *reason = QStringLiteral("'%1' 不是一个有效的日期").arg(number ? numberText(cell.toDouble()) : cell.toString());
        return std::nullopt;
    }
    default: {
        const QString text = number ? numberText(cell.toDouble())
                             : date ? cell.toDate().toString(QStringLiteral("yyyy-MM-dd"))
                                    : cell.toString();
        if (text.isEmpty())
            return QVariant();
        const int bytes = cp936Length(text);
        if (bytes < 0) {
            *reason = QStringLiteral("含有不能存入的字符");
            return std::nullopt;
        }
        if (f.size > 0 && bytes > f.size) {
            *reason = QStringLiteral("超过 %1 字节").arg(f.size);
            return std::nullopt;
        }
        return QVariant(text);
    }
    }
}

bool sameValue(const QVariant &stored, const QVariant &value)
{
    const bool a = !stored.isValid() || stored.isNull() || (stored.typeId() == QMetaType::QString && stored.toString().isEmpty());
    const bool b = !value.isValid() || value.isNull();
    if (a || b)
        return a && b;
    if (value.typeId() == QMetaType::QDateTime) {
        const QDateTime a = stored.toDateTime(), b = value.toDateTime();
        return a.date() == b.date() && a.time() == b.time();
    }
    if (value.typeId() == QMetaType::Int)
        return stored.toLongLong() == value.toLongLong();
    return stored.toString() == value.toString();
}

QString keyOf(const std::vector<QVariant> &parts)
{
    QString k;
    for (const QVariant &p : parts)
        k += p.toString() + QChar(0x1f);
    return k;
}

// One record a row stands for: its values in the table's column order, and
// which of them the file gave.
struct Record {
    std::vector<QVariant> values;
    std::vector<bool> given;
};

class Importer {
public:
    Importer(const QString &dataDir, const TableDef &def, const QString &path, const ImportOptions &options)
        : m_def(def), m_path(path), m_options(options)
    {
        auto engine = store::openEngine(dataDir);
        m_engine = engine.get();
        m_engineHold = engine;
        m_file = engine->openTable(def.file);
    }

    // Reads and checks the whole file; writes it when write is set and
    // nothing was refused.
    ImportOutcome run(bool write)
    {
        ImportOutcome out;
        auto reader = openRows(m_path, m_options.read);
        out.encoding = reader->encoding;
        out.separator = reader->separator;
        Row header;
        while (reader->next(header) && header.blank()) {
        }
        if (header.cells.empty()) {
            out.refused.push_back({1, QString(), QStringLiteral("文件中没有标题行")});
            return out;
        }
        if (!mapHeader(header, out))
            return out;
        loadKeys();
        QHash<QString, int> inFile; // key -> the row that first held it
        qint64 count = m_def.numbered.isEmpty() ? 0 : m_file->rowCount();
        const bool writing = write;
        Row row;
        int rowsRead = 0;
        while (reader->next(row)) {
            if (!write && m_options.progress && ++rowsRead % 1000 == 0 && !m_options.progress(rowsRead)) {
                out.cancelled = true;
                return out;
            }
            if (row.blank())
                continue;
            std::vector<Record> records;
            if (!recordsOf(row, records, out))
                continue;
            for (Record &r : records) {
                const QString key = keyOf(keyParts(r));
                const auto seen = inFile.constFind(key);
                if (seen != inFile.constEnd()) {
                    out.refused.push_back({row.number, m_def.key.join(u'+'),
                                           QStringLiteral("与第%1行重复").arg(seen.value())});
                    continue;
                }
                inFile.insert(key, row.number);
                const auto held = m_keys.constFind(key);
                if (held == m_keys.constEnd()) {
                    ++out.added;
                    if (writing && out.refused.empty())
                        insert(r, ++count);
                    continue;
                }
                if (!m_options.update) {
                    out.refused.push_back({row.number, m_def.key.join(u'+'),
                                           QStringLiteral("表中已有相同的%1").arg(m_def.key.join(u'+'))});
                    continue;
                }
                if (changes(held.value(), r)) {
                    ++out.updated;
                    if (writing && out.refused.empty())
                        update(held.value(), r);
                } else {
                    ++out.unchanged;
                }
            }
        }
        if (m_nextRowid > 0) {
            m_file->endAppend(m_nextRowid - 1);
            m_nextRowid = 0;
        }
        out.written = writing && out.refused.empty();
        return out;
    }

private:
    bool mapHeader(const Row &header, ImportOutcome &out)
    {
        m_map.clear();
        m_other.clear();
        m_courses.clear();
        QSet<QString> seen;
        bool wideCandidate = !m_def.wideValue.isEmpty();
        for (size_t i = 0; i < header.cells.size(); ++i) {
            const QString name = headerName(header.cells[i]);
            const QString shown = header.cells[i].toString();
            if (name.isEmpty())
                continue;
            if (m_def.fields.contains(name) && !seen.contains(name)) {
                seen.insert(name);
                m_map.push_back({int(i), fieldFor(name)});
                out.mapping << QStringLiteral("%1 -> %2").arg(shown, name);
            } else {
                m_other.push_back({int(i), name});
            }
        }
        // The wide form: no subject column, one column of scores per course.
        m_wide = wideCandidate && !seen.contains(QStringLiteral("科目"));
        if (m_wide) {
            const QSet<QString> courses = texts(QStringLiteral("科目"));
            for (const auto &[col, name] : m_other) {
                if (m_def.fields.contains(name) || name == QStringLiteral("姓名") || name == m_def.numbered) {
                    out.ignored << name;
                } else if (courses.contains(name)) {
                    m_courses.push_back({col, name});
                    out.mapping << QStringLiteral("%1 -> %2 (%3)").arg(name, m_def.wideValue, name);
                } else {
                    out.refused.push_back({header.number, name, QStringLiteral("没有这门课程")});
                }
            }
            if (m_courses.empty() && out.refused.empty())
                out.refused.push_back({header.number, QStringLiteral("科目"), QStringLiteral("文件中没有这一列")});
        } else {
            for (const auto &[col, name] : m_other)
                out.ignored << name;
        }
        for (const QString &f : m_def.required) {
            if (!seen.contains(f) && !(m_wide && f == QStringLiteral("科目")))
                out.refused.push_back({header.number, f, QStringLiteral("文件中没有这一列")});
        }
        return out.refused.empty();
    }

    Field fieldFor(const QString &name) const
    {
        Field f;
        f.name = name;
        f.column = m_file->columnIndex(name);
        if (f.column < 0)
            throw store::Error(QStringLiteral("表 %1 中没有字段 '%2'").arg(m_def.name, name));
        const store::ColumnInfo &info = m_file->columns()[size_t(f.column)];
        f.type = info.type;
        f.size = info.type == FieldType::Text ? (info.size > 0 ? info.size : 50) : 0;
        return f;
    }

    // The distinct values of the field a reference of this table points to.
    QSet<QString> texts(const QString &field)
    {
        for (const Reference &ref : m_def.references) {
            if (ref.field != field)
                continue;
            auto it = m_refs.find(field);
            if (it == m_refs.end()) {
                auto file = m_engine->openTable(ref.file);
                store::Statement st = file->prepare(QStringLiteral("SELECT DISTINCT %1 FROM %2 WHERE %1 IS NOT NULL")
                                                        .arg(store::sql::quoteId(ref.target), file->qualifiedTable()));
                QSet<QString> values;
                while (st.step())
                    values.insert(st.column(0).toString());
                it = m_refs.insert(field, values);
            }
            return it.value();
        }
        return {};
    }

    // The records already held, by their key, read once per pass.
    void loadKeys()
    {
        m_keys.clear();
        QStringList cols;
        for (const QString &k : m_def.key)
            cols << store::sql::quoteId(k);
        store::Statement st = m_file->prepare(
            QStringLiteral("SELECT rowid, %1 FROM %2").arg(cols.join(u','), m_file->qualifiedTable()));
        std::vector<QVariant> parts(m_def.key.size());
        while (st.step()) {
            for (int i = 0; i < int(parts.size()); ++i)
                parts[size_t(i)] = st.column(i + 1).toString();
            m_keys.insert(keyOf(parts), st.columnInt64(0));
        }
    }

    std::vector<QVariant> keyParts(const Record &r) const
    {
        std::vector<QVariant> parts;
        for (const QString &k : m_def.key)
            parts.push_back(r.values[size_t(m_file->columnIndex(k))].toString());
        return parts;
    }

    // The records a row stands for (several in a wide score sheet); false,
    // with its reasons, when the row is refused.
    bool recordsOf(const Row &row, std::vector<Record> &records, ImportOutcome &out)
    {
        Record base;
        base.values.resize(m_file->columns().size());
        base.given.resize(m_file->columns().size());
        const size_t refusedBefore = out.refused.size();
        auto cellAt = [&](int col) { return size_t(col) < row.cells.size() ? row.cells[size_t(col)] : Cell(); };
        for (const auto &[col, field] : m_map) {
            QString reason;
            const auto v = convert(cellAt(col), field, &reason);
            if (!v) {
                out.refused.push_back({row.number, field.name, reason});
                continue;
            }
            base.values[size_t(field.column)] = *v;
            base.given[size_t(field.column)] = true;
        }
        if (!m_wide) {
            records.push_back(base);
        } else {
            const Field score = fieldFor(m_def.wideValue);
            const int subject = m_file->columnIndex(QStringLiteral("科目"));
            for (const auto &[col, course] : m_courses) {
                const Cell cell = cellAt(col);
                if (!cell.isValid() || cell.toString().trimmed().isEmpty())
                    continue;
                QString reason;
                const auto v = convert(cell, score, &reason);
                if (!v) {
                    out.refused.push_back({row.number, course, reason});
                    continue;
                }
                Record r = base;
                r.values[size_t(subject)] = course;
                r.given[size_t(subject)] = true;
                r.values[size_t(score.column)] = *v;
                r.given[size_t(score.column)] = true;
                records.push_back(r);
            }
        }
        for (const QString &f : m_def.required) {
            const int c = m_file->columnIndex(f);
            if (!m_wide || f != QStringLiteral("科目")) {
                const QVariant &v = base.values[size_t(c)];
                if ((!v.isValid() || v.isNull()) && base.given[size_t(c)])
                    out.refused.push_back({row.number, f, QStringLiteral("不能为空")});
            }
        }
        for (const Reference &ref : m_def.references) {
            const int c = m_file->columnIndex(ref.field);
            for (const Record &r : records) {
                const QVariant &v = r.values[size_t(c)];
                if (v.isValid() && !v.isNull() && !texts(ref.field).contains(v.toString())) {
                    out.refused.push_back({row.number, ref.field, ref.reason});
                    break;
                }
            }
        }
        if (out.refused.size() != refusedBefore) {
            records.clear();
            return false;
        }
        return true;
    }

    bool changes(qint64 rowid, const Record &r)
    {
        const std::vector<QVariant> stored = m_file->fetch(rowid);
        for (size_t i = 0; i < r.values.size(); ++i) {
            if (r.given[i] && (i >= stored.size() || !sameValue(stored[i], r.values[i])))
                return true;
        }
        return false;
    }

    void insert(Record &r, qint64 number)
    {
        if (!m_def.numbered.isEmpty())
            r.values[size_t(m_file->columnIndex(m_def.numbered))] = QVariant(qint32(number));
        if (m_nextRowid == 0)
            m_nextRowid = m_file->beginAppend();
        m_file->append(m_nextRowid++, r.values);
        m_wrote = true;
    }

    void update(qint64 rowid, const Record &r)
    {
        // Read under this transaction's write lock: nobody else changed it.
        m_file->update(rowid, r.values, r.given, 0, true);
        m_wrote = true;
    }

public:
    bool wrote() const { return m_wrote; }
    store::StoredTable &file() { return *m_file; }
    store::Engine &engine() { return *m_engine; }

private:
    const TableDef &m_def;
    QString m_path;
    ImportOptions m_options;
    store::Engine *m_engine = nullptr;
    std::shared_ptr<store::Engine> m_engineHold;
    std::shared_ptr<store::StoredTable> m_file;
    std::vector<std::pair<int, Field>> m_map;       // file column -> field
    std::vector<std::pair<int, QString>> m_other;   // the file's other columns
    std::vector<std::pair<int, QString>> m_courses; // wide form: file column -> course name
    bool m_wide = false;
    QHash<QString, qint64> m_keys;
    QHash<QString, QSet<QString>> m_refs;
    bool m_wrote = false;
    qint64 m_nextRowid = 0; // the next new record's row id, once appending
};

} // namespace

ImportOutcome importTable(const QString &dataDir, const TableDef &def, const QString &file,
                          const ImportOptions &options)
{
    if (options.dryRun) {
        Importer check(dataDir, def, file, options);
        return check.run(false);
    }
    // The backup before an import is taken before the write lock, and only
    // for a file that passes the check.
    if (beforeImport) {
        Importer check(dataDir, def, file, options);
        ImportOutcome first = check.run(false);
        if (!first.refused.empty() || first.cancelled)
            return first;
        beforeImport(dataDir);
    }
    // No progress window while the write lock is held: showing one would
    // hand the action over, and so end its transaction.
    ImportOptions locked = options;
    locked.progress = nullptr;
    Importer importer(dataDir, def, file, locked);
    if (!importer.engine().inTransaction())
        importer.engine().syncExternal(true);
    // Everything from here on is read under the write lock: the keys held
    // are checked again, and what is written is what was checked.
    importer.engine().lockTable(importer.file(), false);
    ImportOutcome checked = importer.run(false);
    if (!checked.refused.empty() || checked.cancelled || checked.added + checked.updated == 0)
        return checked;
    ImportOutcome done = importer.run(true);
    if (done.written)
        importer.file().changedBy(nullptr);
    return done;
}

} // namespace exchange
