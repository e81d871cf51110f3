#pragma once

#include <ostream>

#include "controller/verb.h"

namespace lumenor {

// Lets GoogleTest name a verb in its failure messages.
inline void PrintTo(const Verb& verb, std::ostream* os) {
    *os << verbName(verb).toStdString();
}

}  // namespace lumenor
