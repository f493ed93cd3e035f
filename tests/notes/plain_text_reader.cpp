#include "notes/plain_text.h"

// The program gives the store its RTF reader at start; so do these tests,
// before any of them runs.
namespace {
const bool installed = (kuvano::notes::InstallPlainTextReader(), true);
}
