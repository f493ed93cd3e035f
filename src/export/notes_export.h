#pragma once
// Export of the notes of the page on view to a text file: comes with the export command.
namespace kuvano::exporting {
constexpr int kExportVersion = 1;
}
