#pragma once
// The web panel's page loader: comes with the web panel.
namespace kuvano::web {
constexpr const char* kLocalPage = "source/Navigate/default.htm";
}
