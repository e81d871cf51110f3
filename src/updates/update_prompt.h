#pragma once

#include <QString>

#include <functional>

#include "updates/appcast.h"

namespace lumenor {

// What the update service shows and where a verified download goes: dialogs on the desktop,
// a recorder in tests.
class UpdatePrompt {
  public:
    virtual ~UpdatePrompt() = default;
    // Offers `item` over `running`; `decided` gets true for "Download", false for "Later".
    virtual void offer(const AppcastItem& item, const QString& running,
                       std::function<void(bool download)> decided) = 0;
    // One sentence: up to date, or why a check or download failed.
    virtual void tell(const QString& sentence) = 0;
    // Gives the verified package file to the desktop's package installer.
    virtual void handOn(const QString& path) = 0;
};

}  // namespace lumenor
