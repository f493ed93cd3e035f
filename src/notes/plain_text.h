#pragma once

namespace kuvano::notes {

// Gives the store the RTF reader the boxes load with, so that the text the
// index holds for an old note is the one its box shows. Once, at start.
void InstallPlainTextReader();

} // namespace kuvano::notes
