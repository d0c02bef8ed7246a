#include "dbwidgets/GridExport.h"

#include "core/Error.h"
#include "dbwidgets/DBGrid.h"
#include "exchange/ModelSource.h"
#include "ui/BusyCursor.h"
#include "ui/Guard.h"
#include "ui/Ui.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QTableView>

namespace store {

namespace {

exchange::Kind kindOf(FieldType t)
{
    return t == FieldType::Integer ? exchange::Kind::Integer
         : t == FieldType::DateTime ? exchange::Kind::Date
                                     : exchange::Kind::Text;
}

// A dataset's records from the first to the last, read without moving its
// cursor.
class DataSetRows : public exchange::TableSource {
public:
    DataSetRows(DataSet &ds, std::vector<std::pair<int, exchange::Column>> columns)
        : m_ds(ds), m_columns(std::move(columns)), m_count(ds.active() ? ds.recordCount() : 0)
    {
    }
    std::vector<exchange::Column> columns() const override
    {
        std::vector<exchange::Column> out;
        for (const auto &c : m_columns)
            out.push_back(c.second);
        return out;
    }
    qint64 size() const override { return m_count; }
    bool next(std::vector<QVariant> &values) override
    {
        if (m_row >= m_count)
            return false;
        values.resize(m_columns.size());
        for (size_t i = 0; i < m_columns.size(); ++i)
            values[i] = m_ds.valueAt(m_row, m_columns[i].first);
        ++m_row;
        return true;
    }

private:
    DataSet &m_ds;
    std::vector<std::pair<int, exchange::Column>> m_columns;
    int m_count;
    int m_row = 0;
};

exchange::Kind kindOfValue(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
        return exchange::Kind::Integer;
    case QMetaType::QDate:
    case QMetaType::QDateTime:
        return exchange::Kind::Date;
    default:
        return exchange::Kind::Text;
    }
}

} // namespace

std::unique_ptr<exchange::TableSource> gridRows(TDBGrid &grid)
{
    DataSet *ds = grid.gridModel().dataSet();
    if (!ds || !ds->active())
        throw Error(QStringLiteral("没有可以导出的记录"));
    std::vector<std::pair<int, exchange::Column>> cols;
    for (const TColumn &c : grid.columns()) {
        TField *f = c.visible ? ds->findField(c.field) : nullptr;
        if (f)
            cols.push_back({f->index(), {c.title, kindOf(f->dataType())}});
    }
    return std::make_unique<DataSetRows>(*ds, std::move(cols));
}

void exportView(QWidget *owner, const QString &name, const QString &ending, const QString &encoding,
                const SourceMaker &makeSource)
{
    ui::FileChoice choice;
    choice.save = true;
    choice.owner = owner;
    choice.title = ending == QLatin1String("xlsx") ? QStringLiteral("导出到 Excel") : QStringLiteral("导出为 CSV");
    choice.suggested = QDir::home().filePath(name + u'.' + ending);
    choice.filter = ending == QLatin1String("xlsx") ? QStringLiteral("Excel 文件 (*.xlsx)")
                                                    : QStringLiteral("CSV 文件 (*.csv)");
    QString file = ui::chooseFile(choice);
    if (file.isEmpty())
        return;
    if (QFileInfo(file).suffix().compare(ending, Qt::CaseInsensitive) != 0)
        file += u'.' + ending;
    qint64 rows = 0;
    {
        ui::BusyCursor busy;
        std::unique_ptr<exchange::TableSource> source = makeSource();
        exchange::WriteOptions options;
        options.encoding = encoding;
        rows = exchange::exportTable(*source, file, options);
    }
    ui::messageBox(QStringLiteral("已导出 %1 条记录到 %2").arg(rows).arg(QDir::toNativeSeparators(file)),
                   QStringLiteral("导出"), ui::Icon::Information, ui::Buttons::Ok, owner);
}

void addExportMenu(QAbstractItemView *view, const QString &name, SourceMaker makeSource)
{
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(view, &QWidget::customContextMenuRequested, view, [view, name, makeSource](const QPoint &at) {
        // Shown without a loop of its own: each item is an action of its own.
        auto *menu = new QMenu(view);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        const struct {
            QString text, ending, encoding;
        } items[] = {
            {QStringLiteral("导出到 Excel..."), QStringLiteral("xlsx"), QString()},
            {QStringLiteral("导出为 CSV..."), QStringLiteral("csv"), QString()},
            {QStringLiteral("导出为 CSV (GB18030)..."), QStringLiteral("csv"), QStringLiteral("GB18030")},
        };
        for (const auto &item : items) {
            QAction *a = menu->addAction(item.text);
            const QString ending = item.ending, encoding = item.encoding;
            ui::connectGuarded(a, &QAction::triggered, view, [view, name, ending, encoding, makeSource] {
                const QString title = name.isEmpty() ? view->window()->windowTitle() : name;
                exportView(view, title.isEmpty() ? QStringLiteral("导出") : title, ending, encoding, makeSource);
            });
        }
        menu->popup(view->viewport()->mapToGlobal(at));
    });
}

void addExportMenu(QAbstractItemView *view, const QString &name)
{
    addExportMenu(view, name, [view]() -> std::unique_ptr<exchange::TableSource> {
        const QAbstractItemModel *model = view->model();
        if (!model)
            throw Error(QStringLiteral("没有可以导出的记录"));
        const auto *table = qobject_cast<const QTableView *>(view);
        std::vector<exchange::ModelColumn> cols;
        for (int c = 0; c < model->columnCount(); ++c) {
            if (table && table->isColumnHidden(c))
                continue;
            const QVariant first = model->rowCount() > 0 ? model->data(model->index(0, c), Qt::EditRole) : QVariant();
            cols.push_back({c, {model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), kindOfValue(first)}});
        }
        return std::make_unique<exchange::ModelSource>(*model, std::move(cols));
    });
}

} // namespace store
