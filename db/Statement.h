// A prepared statement of whichever engine holds the table files. The record
// layer writes its SQL once, with "?N" parameters; each engine runs it its way.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QVariant>

#include <memory>

namespace store {

class StatementImpl {
public:
    virtual ~StatementImpl() = default;
    virtual void reset() = 0;
    virtual void bind(int i, const QVariant &v) = 0;
    // Steps once: true while a row is available; throws on error.
    virtual bool step() = 0;
    virtual QVariant column(int i) const = 0;
    virtual qint64 columnInt64(int i) const = 0;
    // A column's text as the engine holds it (UTF-8), valid until the next
    // step: for reading many rows without making a value of each.
    virtual QByteArrayView columnUtf8(int i) const = 0;
    // A fingerprint of the current row's stored values, exact to the byte.
    virtual quint64 rowStamp(int firstColumn, int count) const = 0;
    // Records the last finished step inserted, changed or deleted.
    virtual qint64 changes() const = 0;
    // Whether the text uses parameter ?i.
    virtual bool hasParam(int i) const = 0;
};

class Statement {
public:
    Statement() = default;
    explicit Statement(std::unique_ptr<StatementImpl> impl) : d(std::move(impl)) {}

    bool valid() const { return d != nullptr; }
    void reset() { d->reset(); }
    void bind(int i, const QVariant &v) { d->bind(i, v); }
    void bindInt64(int i, qint64 v) { d->bind(i, QVariant(qlonglong(v))); }
    // Binds v only where the text uses ?i.
    void bindIfUsed(int i, const QVariant &v)
    {
        if (d->hasParam(i))
            d->bind(i, v);
    }
    bool step() { return d->step(); }
    QVariant column(int i) const { return d->column(i); }
    qint64 columnInt64(int i) const { return d->columnInt64(i); }
    QByteArrayView columnUtf8(int i) const { return d->columnUtf8(i); }
    quint64 rowStamp(int firstColumn, int count) const { return d->rowStamp(firstColumn, count); }
    qint64 changes() const { return d->changes(); }

private:
    std::unique_ptr<StatementImpl> d;
};

// An FNV-1a fingerprint, fed piece by piece.
class Fingerprint {
public:
    void mix(const void *data, qsizetype n)
    {
        const auto *p = static_cast<const unsigned char *>(data);
        for (qsizetype i = 0; i < n; ++i) {
            m_h ^= p[i];
            m_h *= 1099511628211ull;
        }
    }
    quint64 value() const { return m_h; }

private:
    quint64 m_h = 14695981039346656037ull;
};

namespace sql {
// A table or column name as an SQL identifier: in double quotes, inner
// quotes doubled.
QString quoteId(const QString &name);
} // namespace sql

} // namespace store
