#pragma once

class QWidget;

namespace zelvan {

// Puts a window above the others (and, when `activate`, gives it the
// keyboard). On a platform that stacks no windows (offscreen, minimal) there
// is nothing to raise, and Qt would print a warning at every call, so
// nothing is done there.
void raiseForm(QWidget& window, bool activate = false);

} // namespace zelvan
