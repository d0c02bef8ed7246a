// What an engine tells of one table: its columns and indexes.
#pragma once

#include "db/FieldType.h"

#include <QString>

#include <vector>

namespace store {

struct ColumnInfo {
    QString name;
    FieldType type = FieldType::Other;
    int size = 0;
    bool notNull = false;
};

struct IndexInfo {
    QString name;
    int column = -1;
    bool noCase = false;
};

// What an engine tells of one table.
struct TableShape {
    QString table;
    std::vector<ColumnInfo> columns;
    std::vector<IndexInfo> indexes;
    int pk = -1;
};

} // namespace store
