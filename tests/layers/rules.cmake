# Two layers of a made-up tree: db (core and Qt Core, nothing else) below
# dbwidgets (db and Qt Widgets).
set(QM_FOLDERS "db;dbwidgets")
set(QM_LINKED_db "core;Qt6::Core")
set(QM_PUBLIC_db "core;Qt6::Core")
set(QM_LINKED_dbwidgets "db;core;Qt6::Core;Qt6::Widgets;Qt6::Gui")
set(QM_PUBLIC_dbwidgets "db;core;Qt6::Core;Qt6::Widgets;Qt6::Gui")
