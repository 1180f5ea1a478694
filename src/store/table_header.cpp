#include "store/table_header.h"

#include <string>

#include "locale/charset.h"

namespace {

// A header cell as it is compared: ASCII letters in lower case, each run of blanks and
// underscores one blank.
std::string NameKey(std::string_view cell) {
  std::string key;
  for (char c : cell) {
    if (c == '_' || c == ' ') {
      if (!key.empty() && key.back() != ' ') key.push_back(' ');
    } else {
      key.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
    }
  }
  if (!key.empty() && key.back() == ' ') key.pop_back();
  return key;
}

}  // namespace

int FieldNamed(std::string_view cell) {
  static const std::vector<std::vector<std::string>> kKeys = [] {
    std::vector<std::vector<std::string>> keys;
    for (const auto& names : HeaderNames()) {
      keys.emplace_back();
      for (std::string_view name : names) keys.back().push_back(NameKey(charset::Utf8ToGb(name)));
    }
    return keys;
  }();
  const std::string key = NameKey(cell);
  for (std::size_t field = 0; field < kKeys.size(); ++field) {
    for (const std::string& k : kKeys[field]) {
      if (k == key) return static_cast<int>(field);
    }
  }
  return kNoField;
}

const std::vector<std::vector<std::string_view>>& HeaderNames() {
  static const std::vector<std::vector<std::string_view>> kNames = {
      {"设备编号", "编号", "设备编码", "资产编号", "code", "device code", "device id", "id",
       "asset number", "asset code"},
      {"设备名称", "名称", "设备名", "设备", "品名", "name", "device name", "device", "item"},
      {"领用人", "使用人", "保管人", "责任人", "holder", "user", "owner", "assignee", "keeper"},
      {"所属部门", "部门", "使用部门", "领用部门", "department", "dept", "dept."},
      {"数量", "台数", "quantity", "qty", "count"},
      {"购买时间", "购买日期", "购置日期", "购置时间", "采购日期", "日期", "purchase time",
       "purchase date", "date of purchase", "date", "bought"},
      {"价格", "单价", "金额", "price", "unit price", "cost"},
      {"序列号", "序号", "serial", "serial number", "no.", "no", "#"},
  };
  return kNames;
}
