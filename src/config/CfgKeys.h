#pragma once
// The rows of the key table as data, and the two ways every source uses
// them: a key's value as text, and setting a key from text.
#include <cstdint>
#include <string>
#include <vector>

#include "config/CfgKeyTable.h"
#include "config/VantoCfg.h"

struct CfgKeyRow {
  const char* name;
  // Exactly one of the three points at the member.
  std::string CVantoCfg::*text;
  int CVantoCfg::*number;
  int16_t CVantoCfg::*shortNumber;
  const char* iniMissing;  // CFG_NOT_IN_INI for keys the INI reader skips
  int field;               // index in the 40-field command line or CFG_NO_FIELD
  unsigned uses;           // CfgKeyUse bits

  bool Has(CfgKeyUse use) const { return (uses & use) != 0; }
};

// All rows, in table (= dump) order.
const std::vector<CfgKeyRow>& CfgKeyRows();

// Texts as they are, numbers in decimal ("%d").
std::string GetCfgKeyText(const CVantoCfg& cfg, const CfgKeyRow& row);
// Texts as they are, numbers by the atoi rule (a short number is cut to 16 bits).
void SetCfgKeyText(CVantoCfg& cfg, const CfgKeyRow& row, const std::string& value);
