#pragma once

#include <QPoint>
#include <QString>

#include <optional>

namespace lumenor::test {

// Moves the pointer of the X server `display` to `at` (root coordinates) and says whether the
// cursor it shows there has any visible pixel; none when the server cannot be asked.
std::optional<bool> cursorVisibleAt(const QString& display, QPoint at);

}  // namespace lumenor::test
