// Data-aware grid: one row per record of its data source, read on demand, so
// that a table of any size opens at once.
#pragma once

#include "data/DataSet.h"
#include "data/DataSource.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QTableView>

#include <initializer_list>
#include <utility>
#include <vector>

namespace store {

struct TColumn {
    QString field;
    QString title;
    int width = 64;
    bool visible = true;
    QStringList pickList;
};

// A column titled with its field's name, as every grid of the program has.
TColumn column(const QString &field, int width, bool visible = true);
// Several of them: field names and widths in pixels.
QList<TColumn> columns(std::initializer_list<std::pair<const char *, int>> fieldsAndWidths);

class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridModel(QObject *parent = nullptr);
    void setDataSource(TDataSource *src);
    TDataSource *dataSource() const { return m_src; }
    DataSet *dataSet() const { return m_src ? m_src->dataSet() : nullptr; }
    void setColumns(const QList<TColumn> &cols);
    const QList<TColumn> &columns() const { return m_cols; }
    void setReadOnly(bool ro) { m_readOnly = ro; }
    // Not marked read-only and on a dataset that takes changes.
    bool editable() const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    void reset();
    void rowChanged(int row);

private:
    void followState();
    bool catchUp();
    int rowsShown() const;
    // The rows to show now; caughtUp: the dataset's own announcement has
    // already reset the model; failed: the dataset could not be read.
    struct Rows {
        int count = 0;
        bool caughtUp = false;
        bool failed = false;
    };
    Rows readRows();
    int fieldIndex(int column) const;
    QPointer<TDataSource> m_src;
    QList<TColumn> m_cols;
    std::vector<int> m_fields; // each column's field in the dataset, -1: none
    bool m_readOnly = true;
    int m_rows = 0;
};

class TDBGrid : public QTableView {
    Q_OBJECT
public:
    // The height of every row, the title row's included, in pixels.
    static constexpr int RowHeight = 18;

    explicit TDBGrid(QWidget *parent = nullptr);
    void setDataSource(TDataSource *src);
    TDataSource *dataSource() const { return m_model.dataSource(); }
    void setColumns(const QList<TColumn> &cols);
    QList<TColumn> columns() const { return m_model.columns(); }
    void setPickList(int column, const QStringList &items);
    void setReadOnly(bool ro);
    bool isReadOnly() const { return m_readOnly; }
    GridModel &gridModel() { return m_model; }

protected:
    void keyPressEvent(QKeyEvent *e) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    // The keys that change the dataset; false for the others.
    bool editingKey(QKeyEvent *e);
    void followDataSet();
    // The model takes the columns; each gets its width and visibility.
    void applyColumns(const QList<TColumn> &cols);
    void reload();
    GridModel m_model;
    bool m_readOnly = true;
    bool m_syncing = false;
};

} // namespace store
