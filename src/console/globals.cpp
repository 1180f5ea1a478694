#include "console/globals.h"

#include "console/rows.h"
#include "console/texts_gbk.h"

inline namespace state {

const std::array<std::string_view, 8> obj = {
    txt::kLabelSerial,     txt::kLabelCode,     txt::kLabelName,         txt::kLabelHolder,
    txt::kLabelDepartment, txt::kLabelQuantity, txt::kLabelPurchaseTime, txt::kLabelPrice};

DevList dev;
History backup;
std::map<std::string, int64_t, std::less<>> stat;

}  // namespace state

void ResetGlobals() {
  dev.clear();
  backup.clear();
  state::stat.clear();
  ForgetDataSetSaved();
  Texts().Reset();
}
