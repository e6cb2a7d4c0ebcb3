#pragma once
#include "ui/dialog.h"

namespace xvf {

// The about box: template 5002, run modally from the settings dialog; "OK"
// (IDOK) or Escape ends it. No members and no handlers of its own.
class AboutDialog : public Dialog {
 public:
  AboutDialog();
  ~AboutDialog() override = default;

 protected:
  const MessageMap* GetMessageMap() const override;
  void DoDataExchange() override {}

 private:
  static const MessageMap messageMap;
};

}  // namespace xvf
