// The shared data module: every dataset and data source the windows share.
#pragma once

#include "data/DataSet.h"
#include "data/Table.h"
#include "data/Query.h"
#include "data/DataSource.h"

#include <QObject>

class TDM1 : public QObject {
    Q_OBJECT
public:
    explicit TDM1(QObject *parent = nullptr);

    // Binds every dataset to DataPath and opens them; an error stops it at
    // that step (the caller reports it).
    void DataModuleCreate();
    // Opens what did not open at creation (a server that was down or empty,
    // a data directory made since), in the creation's order; an error stops
    // it at that step again. Whether every dataset is open.
    bool allOpen() const;
    void openClosed();
    // Closes every dataset (a login the server refused, or another one).
    void closeAll();
    // What the engine of the open tables tells: the right level the server
    // gives the login (0: the server checks no personal logins), and what
    // the user is to be told once about where the records are kept.
    int serverRight() const;
    QString engineNotice() const;

    store::TTable *Table_stud, *Table_Class, *Table_Object, *Table_Object_Jh, *Table_Object_Jh2, *Table1,
        *Table_Scroce_1, *Table_Scroce_2, *Table_Query_Scroce, *Table_longin;
    store::TQuery *Query_Stud, *Query_Class, *Query_Object, *Query_Scroce;
    store::TDataSource *DS_Stud, *DS_Class, *DS_Object, *DS_Object_Jh, *DS_Object_Jh2, *DataSource1, *DS_Scorce,
        *DataSource2, *DS_Query_Scroce, *DS_Longin, *DS_Stud2, *DS_Class_Query, *DS_Object2, *DS_Query;

    QList<store::DataSet *> dataSets() const;
};

extern TDM1 *DM1;
