#include "dbwidgets/DBGrid.h"

#include "dbwidgets/DeleteRecord.h"
#include "ui/Guard.h"
#include "ui/Ui.h"
#include "skin/SkinItemHeightDelegate.h"
#include "dbwidgets/DBControls.h"
#include "data/DataSource.h"
#include "dbwidgets/GridExport.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>

namespace store {

TColumn column(const QString &field, int width, bool visible)
{
    TColumn c;
    c.field = field;
    c.title = field;
    c.width = width;
    c.visible = visible;
    return c;
}

QList<TColumn> columns(std::initializer_list<std::pair<const char *, int>> fieldsAndWidths)
{
    QList<TColumn> out;
    for (const auto &[field, width] : fieldsAndWidths)
        out << column(QString::fromUtf8(field), width);
    return out;
}

GridModel::GridModel(QObject *parent) : QAbstractTableModel(parent) {}

void GridModel::setDataSource(TDataSource *src)
{
    if (m_src)
        disconnect(m_src, nullptr, this, nullptr);
    m_src = src;
    if (src) {
        connect(src, &TDataSource::dataSetChanged, this, &GridModel::reset);
        connect(src, &TDataSource::stateChanged, this, &GridModel::followState);
    }
    reset();
}

void GridModel::setColumns(const QList<TColumn> &cols)
{
    m_cols = cols;
    reset();
}

// What others wrote to the file is read before the model changes, never by
// the view's reads in the middle of a change. When that re-read changed the
// records shown, its announcement has already reset this model.
bool GridModel::catchUp()
{
    DataSet *ds = dataSet();
    return ds && ds->active() && ds->freshen();
}

int GridModel::rowsShown() const
{
    DataSet *ds = dataSet();
    if (!ds || !ds->active())
        return 0;
    return ds->recordCount() + (ds->state() == DataSetState::Insert ? 1 : 0);
}

GridModel::Rows GridModel::readRows()
{
    // Called when the dataset announces a change: a failure to read it is
    // reported later, and the grid shows no rows until it can read them.
    Rows r;
    if (!ui::quietly([&] {
            r.caughtUp = catchUp();
            if (!r.caughtUp)
                r.count = rowsShown();
        }))
        r = Rows{0, false, true};
    return r;
}

void GridModel::reset()
{
    const Rows r = readRows();
    if (r.caughtUp)
        return;
    const int rows = r.count;
    // Fields are looked up by name once per binding, not for every cell.
    std::vector<int> fields;
    DataSet *ds = dataSet();
    for (const TColumn &c : m_cols) {
        TField *f = ds && ds->active() ? ds->findField(c.field) : nullptr;
        fields.push_back(f ? f->index() : -1);
    }
    beginResetModel();
    m_rows = rows;
    m_fields = std::move(fields);
    endResetModel();
}

// Starting or ending an edit changes one row; starting an insert adds the
// blank row at the end and dropping it takes it away again. A change to the
// set of records comes separately, as dataSetChanged.
void GridModel::followState()
{
    DataSet *ds = dataSet();
    const Rows r = readRows();
    if (r.failed) {
        if (m_rows != 0) {
            beginResetModel();
            m_rows = 0;
            endResetModel();
        }
        return;
    }
    if (r.caughtUp)
        return;
    const int rows = r.count;
    const bool inserting = ds && ds->active() && ds->state() == DataSetState::Insert;
    if (rows == m_rows + 1 && inserting) {
        beginInsertRows({}, m_rows, m_rows);
        m_rows = rows;
        endInsertRows();
    } else if (rows == m_rows - 1 && !inserting) {
        beginRemoveRows({}, rows, rows);
        m_rows = rows;
        endRemoveRows();
    } else if (rows != m_rows) {
        reset();
    } else if (ds) {
        rowChanged(ds->currentRow());
    }
}

void GridModel::rowChanged(int row)
{
    if (row >= 0 && row < m_rows && !m_cols.isEmpty())
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

int GridModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_rows; }

int GridModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_cols.size()); }

int GridModel::fieldIndex(int column) const
{
    DataSet *ds = dataSet();
    if (!ds || !ds->active() || column < 0 || column >= int(m_fields.size()))
        return -1;
    return m_fields[size_t(column)];
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QVariant();
    const int fi = fieldIndex(index.column());
    if (fi < 0)
        return QVariant();
    // Read while the view paints: a failure leaves the cell blank and is
    // reported once, after the paint, as Qt's models do (an invalid value).
    QVariant text;
    ui::quietly([&] { text = dataSet()->displayAt(index.row(), fi); });
    return text;
}

bool GridModel::editable() const { return !m_readOnly && acceptsChanges(dataSet()); }

bool GridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !editable())
        return false;
    DataSet *ds = dataSet();
    const int fi = fieldIndex(index.column());
    if (!ds || fi < 0)
        return false;
    // Called from the cell editor's commit inside Qt: a refused text is
    // reported here rather than thrown through the toolkit.
    const bool written = ui::guarded([&] {
        if (ds->currentRow() != index.row())
            ds->setRecNo(index.row() + 1);
        if (ds->state() == DataSetState::Browse)
            ds->edit();
        ds->fields(fi).setAsString(value.toString());
    });
    rowChanged(index.row());
    return written;
}

QVariant GridModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (o == Qt::Horizontal && role == Qt::DisplayRole && section < m_cols.size())
        return m_cols[section].title;
    return QVariant();
}

Qt::ItemFlags GridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (editable())
        f |= Qt::ItemIsEditable;
    return f;
}

// ----------------------------------------------------------------- TDBGrid

TDBGrid::TDBGrid(QWidget *parent) : QTableView(parent), m_model(this)
{
    setModel(&m_model);
    applyGridLook(this, RowHeight);
    // Whoever may see a grid may take its records to a spreadsheet.
    addExportMenu(this, QString(), [this] { return gridRows(*this); });
    connect(&m_model, &QAbstractItemModel::modelReset, this, &TDBGrid::followDataSet);
}

void TDBGrid::setDataSource(TDataSource *src)
{
    if (dataSource())
        disconnect(dataSource(), nullptr, this, nullptr);
    m_model.setDataSource(src);
    if (src)
        connect(src, &TDataSource::recordChanged, this, &TDBGrid::followDataSet);
    followDataSet();
}

void TDBGrid::setColumns(const QList<TColumn> &cols)
{
    applyColumns(cols);
    followDataSet();
}

void TDBGrid::applyColumns(const QList<TColumn> &cols)
{
    m_model.setColumns(cols);
    for (int i = 0; i < cols.size(); ++i) {
        setColumnWidth(i, cols[i].width);
        setColumnHidden(i, !cols[i].visible);
    }
}

void TDBGrid::setPickList(int column, const QStringList &items)
{
    QList<TColumn> cols = m_model.columns();
    if (column < 0 || column >= cols.size())
        return;
    cols[column].pickList = items;
    applyColumns(cols);
}

void TDBGrid::setReadOnly(bool ro)
{
    m_readOnly = ro;
    m_model.setReadOnly(ro);
    setEditTriggers(ro ? QAbstractItemView::NoEditTriggers
                       : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                             | QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
}

// Keeps the selected row on the dataset's current record.
void TDBGrid::followDataSet()
{
    DataSet *ds = m_model.dataSet();
    if (m_syncing || !ds || !ds->active())
        return;
    int row = -1;
    if (!ui::quietly([&] { row = ds->currentRow(); }))
        return;
    if (row >= m_model.rowCount()) {
        m_model.reset();
        return;
    }
    m_syncing = true;
    if (row >= 0) {
        const int col = currentIndex().isValid() ? currentIndex().column() : 0;
        setCurrentIndex(m_model.index(row, std::max(col, 0)));
        m_model.rowChanged(row);
    } else {
        setCurrentIndex(QModelIndex());
    }
    m_syncing = false;
}

void TDBGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    DataSet *ds = m_model.dataSet();
    if (m_syncing || !ds || !ds->active() || !current.isValid())
        return;
    if (current.row() == ds->currentRow())
        return;
    m_syncing = true;
    // A move posts the pending record, which may be refused; the toolkit
    // called this, so the refusal is reported here and the grid goes back to
    // the record the dataset stayed on.
    try {
        ds->setRecNo(current.row() + 1);
    } catch (const std::exception &e) {
        m_syncing = false;
        ui::showError(e);
        followDataSet();
        return;
    }
    m_syncing = false;
}

// The toolkit called this: a change the dataset refuses is reported here, and
// the key that asked for it goes no further.
void TDBGrid::keyPressEvent(QKeyEvent *e)
{
    bool passOn = false;
    ui::guarded([&] { passOn = !editingKey(e); });
    if (passOn)
        QTableView::keyPressEvent(e);
}

bool TDBGrid::editingKey(QKeyEvent *e)
{
    DataSet *ds = m_model.dataSet();
    if (m_model.editable() && ds->active()) {
        // Escape drops the record being edited or the new blank row; an open
        // cell editor takes it first and drops only its own text.
        if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier
            && (ds->state() == DataSetState::Edit || ds->state() == DataSetState::Insert)) {
            ds->cancel();
            return true;
        }
        const bool lastRow = currentIndex().row() == m_model.rowCount() - 1 || m_model.rowCount() == 0;
        if (e->key() == Qt::Key_Insert && e->modifiers() == Qt::NoModifier) {
            ds->append();
            return true;
        }
        if (e->key() == Qt::Key_Down && lastRow && ds->state() != DataSetState::Insert) {
            ds->append();
            return true;
        }
        if (e->key() == Qt::Key_Delete && (e->modifiers() & Qt::ControlModifier)) {
            deleteRecordIfConfirmed(ds, this);
            return true;
        }
    }
    return false;
}

} // namespace store
