#pragma once

#include <QString>

namespace lumenor {

// The page a phone gets for every request but a command: one self-contained document.
const QString& remotePage();

}  // namespace lumenor
