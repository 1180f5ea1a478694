// The words that the import file generator combines into records, readable in UTF-8.
// gen_import converts them to GBK once at start.
#pragma once

namespace gen {

// Device names are a prefix and a kind ("激光打印机"), plus the few odd names below.
inline constexpr const char* kNamePrefixes[] = {
    "激光", "喷墨", "便携式", "台式", "工业", "数字", "高清", "无线", "精密", "多功能",
    "智能", "手持", "大型", "微型", "立式", "壁挂", "车载", "防爆", "节能", "双频"};

inline constexpr const char* kNameKinds[] = {
    "打印机",   "扫描仪",     "液晶显示器", "投影仪",   "服务器",   "路由器",   "交换机",
    "示波器",   "万用表",     "数码照相机", "笔记本电脑", "中央空调", "医用冰箱", "摇臂钻床",
    "电焊机",   "测距仪",     "录音笔",     "碎纸机",   "复印机",   "考勤机"};

// Names that begin with ASCII, mix in ASCII, or hold a GBK trail byte 0x5C (運).
inline constexpr const char* kOddNames[] = {
    "3D打印机", "PC服务器", "UPS电源", "运输车", "運輸車", "U盘", "5G路由器", "投影幕"};

// Holders are a surname and one or two given characters.
inline constexpr const char* kSurnames[] = {
    "王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周", "徐", "孙", "马",
    "朱", "胡", "郭", "何", "高", "林", "罗", "郑", "梁", "谢", "宋", "唐", "欧阳"};

inline constexpr const char* kGivenNames[] = {
    "伟",   "芳",   "敏",   "静",   "磊",   "强",   "秀英", "建华", "志强", "晓东",
    "海燕", "文博", "思远", "雨萱", "子涵", "浩然", "誠",   "欣怡", "嘉怡", "俊杰",
    "国庆", "红梅", "桂英", "玉兰", "明辉", "振宇", "晨阳", "佳琪", "德明", "立新"};

inline constexpr const char* kDepartments[] = {
    "信息中心",   "财务部",     "人力资源部", "行政管理部", "采购部",     "销售部",
    "市场营销部", "研发中心",   "测试部",     "生产制造部", "质量检验部", "仓储部",
    "物流配送部", "法务部",     "审计监察部", "客户服务部", "培训中心",   "档案室",
    "设备管理科", "安全保卫科", "后勤保障处", "工会",       "总经理办公室", "战略发展部",
    "投资部",     "运维部",     "数据中心",   "中心实验室", "设计研究院", "对外联络部"};

}  // namespace gen
