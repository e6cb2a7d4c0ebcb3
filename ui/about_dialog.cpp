#include "ui/about_dialog.h"

#include "res/resource.h"

namespace xvf {

// Empty: every message goes to the base map.
const Dialog::MessageMap AboutDialog::messageMap = {&Dialog::baseMessageMap, nullptr, 0};

AboutDialog::AboutDialog() : Dialog(IDD_ABOUT_DIALOG) {}

const Dialog::MessageMap* AboutDialog::GetMessageMap() const { return &messageMap; }

}  // namespace xvf
