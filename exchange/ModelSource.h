// Any table of rows the windows show (a model behind a grid or a table
// view) as rows to export: every row the model holds, not only those on
// screen, with the columns chosen in the order given.
#pragma once

#include "exchange/Write.h"

#include <QAbstractItemModel>

namespace exchange {

struct ModelColumn {
    int column = 0; // the model's column
    Column out;     // its title and kind in the file
};

class ModelSource : public TableSource {
public:
    // role: where the model gives a cell's value (a typed one where it can).
    ModelSource(const QAbstractItemModel &model, std::vector<ModelColumn> columns, int role = Qt::EditRole)
        : m_model(model), m_columns(std::move(columns)), m_role(role)
    {
    }
    std::vector<Column> columns() const override
    {
        std::vector<Column> out;
        for (const ModelColumn &c : m_columns)
            out.push_back(c.out);
        return out;
    }
    qint64 size() const override { return m_model.rowCount(); }
    bool next(std::vector<QVariant> &values) override
    {
        if (m_row >= m_model.rowCount())
            return false;
        values.resize(m_columns.size());
        for (size_t i = 0; i < m_columns.size(); ++i)
            values[i] = m_model.data(m_model.index(m_row, m_columns[i].column), m_role);
        ++m_row;
        return true;
    }

private:
    const QAbstractItemModel &m_model;
    std::vector<ModelColumn> m_columns;
    int m_role;
    int m_row = 0;
};

} // namespace exchange
