#include "config/CfgKeys.h"

#include <cstdio>

#include "config/CfgText.h"

namespace {
CfgKeyRow MakeRow(const char* name, std::string CVantoCfg::*member, const char* iniMissing, int field,
                  unsigned uses) {
  return {name, member, nullptr, nullptr, iniMissing, field, uses};
}
CfgKeyRow MakeRow(const char* name, int CVantoCfg::*member, const char* iniMissing, int field, unsigned uses) {
  return {name, nullptr, member, nullptr, iniMissing, field, uses};
}
CfgKeyRow MakeRow(const char* name, int16_t CVantoCfg::*member, const char* iniMissing, int field,
                  unsigned uses) {
  return {name, nullptr, nullptr, member, iniMissing, field, uses};
}
}  // namespace

const std::vector<CfgKeyRow>& CfgKeyRows() {
#define VANTO_CFG_ROW(type, name, initial, missing, field, uses) \
  MakeRow(#name, &CVantoCfg::name, missing, field, uses),
  static const std::vector<CfgKeyRow> rows = {VANTO_CFG_KEYS(VANTO_CFG_ROW)};
#undef VANTO_CFG_ROW
  return rows;
}

std::string GetCfgKeyText(const CVantoCfg& cfg, const CfgKeyRow& row) {
  if (row.text) return cfg.*row.text;
  const int value = row.number ? cfg.*row.number : cfg.*row.shortNumber;
  char number[16];
  std::snprintf(number, sizeof number, "%d", value);
  return number;
}

void SetCfgKeyText(CVantoCfg& cfg, const CfgKeyRow& row, const std::string& value) {
  if (row.text)
    cfg.*row.text = value;
  else if (row.number)
    cfg.*row.number = CfgAtoi(value);
  else
    cfg.*row.shortNumber = static_cast<int16_t>(CfgAtoi(value));
}
