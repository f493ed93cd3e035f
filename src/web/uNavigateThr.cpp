#include "web/uNavigateThr.h"
