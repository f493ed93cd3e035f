#include "calendarctl/ChnCalendarPicker.h"
