// The language list record t_lng_config belongs to the persisted setup.
#pragma once

#include "core/common_data.h"
