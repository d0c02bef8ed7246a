#include "exchange/Write.h"

#include "core/Error.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringEncoder>

#include <xlsxwriter.h>

namespace exchange {

namespace {

QString cannotWrite(const QString &file)
{
    return QStringLiteral("无法写入文件 '%1'").arg(QFileInfo(file).fileName());
}

QString cancelled() { return QStringLiteral("导出已取消"); }

bool formulaLike(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == u'\'')
        ++i;
    return i < text.size() && QStringLiteral("=+-@").contains(text.at(i));
}

QDate dateOf(const QVariant &v)
{
    return v.typeId() == QMetaType::QDateTime ? v.toDateTime().date() : v.toDate();
}

QString csvField(const QVariant &v, Kind kind, QChar separator)
{
    if (!v.isValid() || v.isNull())
        return QString();
    QString text;
    if (kind == Kind::Date)
        text = dateOf(v).toString(QStringLiteral("yyyy-MM-dd"));
    else if (kind == Kind::Integer)
        text = QString::number(v.toLongLong());
    else
        text = csvProtect(v.toString());
    if (text.contains(separator) || text.contains(u'"') || text.contains(u'\n') || text.contains(u'\r'))
        text = u'"' + QString(text).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
    return text;
}

qint64 writeCsv(TableSource &source, const QString &file, const WriteOptions &options)
{
    const bool gb = options.encoding.compare(QLatin1String("GB18030"), Qt::CaseInsensitive) == 0 ||
                    options.encoding.compare(QLatin1String("GBK"), Qt::CaseInsensitive) == 0;
    QStringEncoder encoder = gb ? QStringEncoder("GB18030") : QStringEncoder(QStringEncoder::Utf8);
    if (!encoder.isValid())
        throw store::Error(QStringLiteral("不支持的编码 '%1'").arg(options.encoding));
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        throw store::Error(cannotWrite(file));
    const QChar sep = u',';
    const std::vector<Column> cols = source.columns();
    QByteArray buffer;
    if (!gb)
        buffer = "\xEF\xBB\xBF"; // without it, a spreadsheet takes the text for the desktop's code page
    QString line;
    for (size_t i = 0; i < cols.size(); ++i)
        line += (i ? QString(sep) : QString()) + csvField(cols[i].title, Kind::Text, sep);
    buffer += encoder.encode(line + QStringLiteral("\r\n"));
    std::vector<QVariant> values;
    qint64 rows = 0;
    while (source.next(values)) {
        line.clear();
        for (size_t i = 0; i < cols.size(); ++i) {
            if (i)
                line += sep;
            if (i < values.size())
                line += csvField(values[i], cols[i].kind, sep);
        }
        line += QStringLiteral("\r\n");
        buffer += encoder.encode(line);
        ++rows;
        if (buffer.size() >= (1 << 16)) {
            if (out.write(buffer) != buffer.size())
                throw store::Error(cannotWrite(file));
            buffer.clear();
            if (options.progress && !options.progress(rows))
                throw store::Error(cancelled());
        }
    }
    if (out.write(buffer) != buffer.size() || !out.commit())
        throw store::Error(cannotWrite(file));
    return rows;
}

// A file that is not finished is removed.
struct RemoveUnlessKept {
    QString path;
    bool keep = false;
    ~RemoveUnlessKept()
    {
        if (!keep)
            QFile::remove(path);
    }
};

// The workbook is closed (and its memory freed) whatever happens.
struct Workbook {
    lxw_workbook *book = nullptr;
    ~Workbook()
    {
        if (book)
            workbook_close(book);
    }
};

qint64 writeXlsx(TableSource &source, const QString &file, const WriteOptions &options)
{
    // Written beside the file and put in its place at the end, so that a
    // failed or cancelled export leaves no half-written workbook.
    const QString part = file + QStringLiteral(".part");
    QFile::remove(part);
    RemoveUnlessKept partGuard{part};
    lxw_workbook_options opts{};
    opts.constant_memory = LXW_TRUE;
    Workbook wb;
    wb.book = workbook_new_opt(QFile::encodeName(part).constData(), &opts);
    if (!wb.book)
        throw store::Error(cannotWrite(file));
    lxw_format *textFormat = workbook_add_format(wb.book);
    format_set_num_format(textFormat, "@");
    lxw_format *dateFormat = workbook_add_format(wb.book);
    format_set_num_format(dateFormat, "yyyy-mm-dd");
    lxw_format *headFormat = workbook_add_format(wb.book);
    format_set_bold(headFormat);
    format_set_num_format(headFormat, "@");

    const std::vector<Column> cols = source.columns();
    lxw_worksheet *sheet = nullptr;
    int sheets = 0;
    lxw_row_t row = 0;
    auto newSheet = [&] {
        ++sheets;
        const QByteArray name = QStringLiteral("Sheet%1").arg(sheets).toUtf8();
        sheet = workbook_add_worksheet(wb.book, name.constData());
        if (!sheet)
            throw store::Error(cannotWrite(file));
        worksheet_freeze_panes(sheet, 1, 0);
        for (size_t i = 0; i < cols.size(); ++i) {
            worksheet_set_column(sheet, lxw_col_t(i), lxw_col_t(i), cols[i].kind == Kind::Date ? 12 : 14, nullptr);
            worksheet_write_string(sheet, 0, lxw_col_t(i), cols[i].title.toUtf8().constData(), headFormat);
        }
        row = 1;
    };
    newSheet();
    std::vector<QVariant> values;
    qint64 rows = 0;
    while (source.next(values)) {
        if (row > lxw_row_t(RowsPerSheet))
            newSheet();
        for (size_t i = 0; i < cols.size() && i < values.size(); ++i) {
            const QVariant &v = values[i];
            if (!v.isValid() || v.isNull())
                continue;
            const lxw_col_t c = lxw_col_t(i);
            lxw_error rc = LXW_NO_ERROR;
            if (cols[i].kind == Kind::Integer) {
                rc = worksheet_write_number(sheet, row, c, double(v.toLongLong()), nullptr);
            } else if (cols[i].kind == Kind::Date) {
                const QDate d = dateOf(v);
                if (!d.isValid())
                    continue;
                lxw_datetime dt{d.year(), d.month(), d.day(), 0, 0, 0.0};
                rc = worksheet_write_datetime(sheet, row, c, &dt, dateFormat);
            } else {
                const QString text = v.toString();
                if (!text.isEmpty())
                    rc = worksheet_write_string(sheet, row, c, text.toUtf8().constData(), textFormat);
            }
            if (rc != LXW_NO_ERROR)
                throw store::Error(cannotWrite(file));
        }
        ++row;
        ++rows;
        if (options.progress && rows % 4096 == 0 && !options.progress(rows))
            throw store::Error(cancelled());
    }
    const lxw_error rc = workbook_close(wb.book);
    wb.book = nullptr;
    if (rc != LXW_NO_ERROR)
        throw store::Error(cannotWrite(file));
    QFile::remove(file);
    if (!QFile::rename(part, file))
        throw store::Error(cannotWrite(file));
    partGuard.keep = true;
    return rows;
}

} // namespace

QString csvProtect(const QString &text) { return formulaLike(text) ? u'\'' + text : text; }

QString csvUnprotect(const QString &text)
{
    return text.startsWith(u'\'') && formulaLike(text.mid(1)) ? text.mid(1) : text;
}

qint64 exportTable(TableSource &source, const QString &file, const WriteOptions &options)
{
    if (QFileInfo(file).suffix().compare(QLatin1String("xlsx"), Qt::CaseInsensitive) == 0)
        return writeXlsx(source, file, options);
    return writeCsv(source, file, options);
}

} // namespace exchange
