// A header may use only what its library hands on (links PUBLIC).
#pragma once

#include "core/Error.h"
