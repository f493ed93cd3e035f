#include "export/notes_export.h"
