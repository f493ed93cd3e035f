#pragma once

#include "platform/window_chrome.h"

class QLineEdit;

namespace kuvano::lock {

// Hides what is typed behind one "*" per character.
void makePasswordBox(QLineEdit* box);

} // namespace kuvano::lock
