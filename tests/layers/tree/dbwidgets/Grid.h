#pragma once

#include "db/Reader.h"

#include <QtWidgets/QTableView>
