// Record entry, browsing and deletion dialogues: their menus, listings and record files. Test
// records are named by one code; their other six fields follow from it.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "support/session.h"
#include "support/transcript.h"

namespace transcript {

// The main menu, as printed before every choice.
inline const std::string kMainMenu = MainMenu();

// The end of every operation: the epilogue and the main menu again.
inline const std::string kBackToMenu = BackToMenu();

// A sub-menu with its leading empty line, frame lines and prompt; lines in UTF-8.
inline std::string SubMenu(std::initializer_list<const char*> lines) {
  std::string out = "\n" + Gbk("*******************\n");
  for (const char* line : lines) out += Gbk(line);
  return out + Gbk("*******************\n->请选择操作:");
}

inline const std::string kImportMenu =
    SubMenu({"*   1-从文件导入   *\n", "*   2-添加单个信息 *\n"});
inline const std::string kDeleteMenu =
    SubMenu({"*  1-按序列号删除  *\n", "*  2-全部删除      *\n"});

// The two lines of a save of n records to file, elapsed time 0.
inline std::string Saved(std::size_t n, std::string_view file = "dev.out") {
  const std::string name(file);
  return name + Gbk(" 已保存更改, 耗时 0 毫秒\n") + name + Gbk(" 内目前有 ") + std::to_string(n) +
         Gbk(" 条记录\n");
}

// The seven fields of the test record with this code, blank-separated.
inline std::string Fields(std::string_view code) {
  const std::string c(code);
  return c + " n" + c + " h" + c + " d" + c + " 1 2042.1.1 1" + c;
}

// Records as an import file (one a line) and as a record file numbered 1..n.
inline std::string ImportFile(std::initializer_list<std::string_view> codes) {
  std::string out;
  for (std::string_view code : codes) out += Fields(code) + "\n";
  return out;
}
inline std::string RecordFile(std::initializer_list<std::string_view> codes) {
  std::string out;
  int serial = 0;
  for (std::string_view code : codes) out += std::to_string(++serial) + " " + Fields(code) + "\n";
  return out;
}

// The listing of browsing: its title, the header row and one row per record, numbered.
inline std::string Listing(std::initializer_list<std::string_view> codes) {
  std::string out = Gbk("已存储信息如下:\n序列号\t 设备编号\t 设备名称\t 领用人  \t 所属部门\t "
                        "数量\t 购买时间\t 价格\t\n");
  int serial = 0;
  for (std::string_view code : codes) {
    for (char c : std::to_string(++serial) + " " + Fields(code)) {
      out += c == ' ' ? std::string("\t ") : std::string(1, c);
    }
    out += "\t\n";
  }
  return out;
}

}  // namespace transcript
