#include "support/transcript.h"

#include "console/globals.h"

std::string MainMenu() {
  return Gbk(
      "\n*********************\n"
      "*  设备管理系统     *\n"
      "*  0-退出系统       *\n"
      "*  1-信息录入       *\n"
      "*  2-信息浏览       *\n"
      "*  3-信息查询       *\n"
      "*  4-删除设备       *\n"
      "*  5-信息排序       *\n"
      "*  6-信息筛选       *\n"
      "*  7-撤销操作       *\n"
      "*  8-数量统计       *\n"
      "*********************\n"
      "->请选择操作:");
}

std::string BadChoice() { return Gbk("输入有误!\n->请选择操作:"); }

std::string BackToMenu() { return Gbk("操作完成, 1 秒后返回初始界面.\n") + MainMenu(); }

std::string SubMenu(std::initializer_list<std::string_view> entries) {
  std::string menu = "*******************\n";
  for (std::string_view entry : entries) menu += entry;
  return Gbk(menu + "*******************\n->请选择操作:");
}

std::string OutputMenu() {
  return "\n" + SubMenu({"*  1-打印到屏幕    *\n", "*  2-保存到文件    *\n"});
}

std::string Saved(std::string_view file, int count) {
  const std::string name(file);
  return name + Gbk(" 已保存更改, 耗时 0 毫秒\n") + name + Gbk(" 内目前有 ") +
         std::to_string(count) + Gbk(" 条记录\n");
}

std::string Header() {
  return Gbk("序列号\t 设备编号\t 设备名称\t 领用人  \t 所属部门\t 数量\t 购买时间\t 价格\t\n");
}

std::string Row(int serial, std::string_view fields) {
  std::string row = std::to_string(serial) + "\t ";
  for (char c : fields) row += c == ' ' ? std::string("\t ") : std::string(1, c);
  return row + "\t\n";
}

void OperationTest::SetUp() { ResetGlobals(); }
void OperationTest::TearDown() { ResetGlobals(); }
