#pragma once

#include <memory>

#include "updates/update_prompt.h"

class QDialog;

namespace lumenor {

// The desktop's side: a "Software Update" dialog with "Download" and "Later", a message box
// for one sentence, and the file handed to whatever the desktop opens packages with. Text
// from the feed is shown as plain text only.
class DesktopUpdatePrompt : public UpdatePrompt {
  public:
    DesktopUpdatePrompt();
    ~DesktopUpdatePrompt() override;
    DesktopUpdatePrompt(const DesktopUpdatePrompt&) = delete;
    DesktopUpdatePrompt& operator=(const DesktopUpdatePrompt&) = delete;

    void offer(const AppcastItem& item, const QString& running,
               std::function<void(bool download)> decided) override;
    void tell(const QString& sentence) override;
    void handOn(const QString& path) override;

  private:
    std::unique_ptr<QDialog> offerDialog_;
};

}  // namespace lumenor
