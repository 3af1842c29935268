#include "input/key_names.h"

#include <algorithm>
#include <array>
#include <string>

namespace quorrel {
namespace {

constexpr KeyNameRow kNamedRows[] = {
    {3, "Break"},         {8, "退格键"},          {9, "Tab键"},
    {13, "回车键"},       {16, "Shift键"},         {17, "Ctrl键"},
    {18, "Alt键"},        {19, "Pause键"},         {20, "Caps Lock键"},
    {27, "Esc键"},        {32, "空格键"},          {33, "PageUp键"},
    {34, "PageDown键"},   {35, "End键"},           {36, "Home键"},
    {37, "左光标键"},     {38, "上光标键"},        {39, "右光标键"},
    {40, "下光标键"},     {45, "Ins键"},           {46, "Del键"},
    {91, "Win键"},        {106, "乘号键"},         {107, "加号键"},
    {144, "NumLock键"},   {145, "ScrollLock键"},   {160, "左shift键"},
    {161, "右shift键"},   {162, "左CTRL键"},       {163, "右CTRL键"},
    {186, "分号键"},      {187, "等号键"},         {188, "逗号键"},
    {189, "减号键"},      {190, "圆点键"},         {191, "除号键"},
    {192, "反撇号键"},    {219, "左中括号键"},     {220, "斜杠键"},
    {221, "右中括号键"},  {222, "单引号键"},
};

constexpr size_t kRuleRowCount = 10 + 26 + 16;
constexpr size_t kRowCount = kRuleRowCount + std::size(kNamedRows);

struct Table {
  // The rule rows' names live here so that the rows can hold views of them.
  std::array<std::string, kRuleRowCount> ruleNames;
  std::array<KeyNameRow, kRowCount> rows;

  Table() {
    const std::string key = "键";
    size_t n = 0;
    size_t r = 0;
    auto addRule = [&](int code, std::string name) {
      ruleNames[n] = std::move(name) + key;
      rows[r++] = {code, ruleNames[n++]};
    };
    for (int c = '0'; c <= '9'; ++c) addRule(c, std::string(1, static_cast<char>(c)));
    for (int c = 'A'; c <= 'Z'; ++c) addRule(c, std::string(1, static_cast<char>(c)));
    for (int f = 1; f <= 16; ++f) addRule(111 + f, "F" + std::to_string(f));
    for (const KeyNameRow& row : kNamedRows) rows[r++] = row;
    std::sort(rows.begin(), rows.end(),
              [](const KeyNameRow& a, const KeyNameRow& b) { return a.code < b.code; });
  }
  // The rows point into ruleNames: a copy would point into the original.
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;
};

const Table& TheTable() {
  static const Table table;
  return table;
}

}  // namespace

std::span<const KeyNameRow> KeyNameTable() { return TheTable().rows; }

Text KeyName(int code) {
  std::span<const KeyNameRow> rows = KeyNameTable();
  auto it = std::lower_bound(rows.begin(), rows.end(), code,
                             [](const KeyNameRow& row, int c) { return row.code < c; });
  if (it == rows.end() || it->code != code) return {};
  return Text(it->name);
}

}  // namespace quorrel
