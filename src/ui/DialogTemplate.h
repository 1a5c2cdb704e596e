#pragma once
// Builds an extended dialog template in memory, so that the dialogs carry
// their Korean texts as wide strings converted from the program's CP949.
#include <windows.h>

#include <string>
#include <vector>

struct DialogControlSpec {
  int id;
  std::wstring className;  // "Static", "Button", "SysListView32", ...
  std::wstring text;
  DWORD style;
  DWORD exStyle;
  short x, y, cx, cy;  // dialog units
};

struct DialogSpec {
  DWORD style;
  DWORD exStyle;
  short x, y, cx, cy;
  std::wstring title;
  std::wstring className;  // empty: the system's dialog class
  std::wstring fontName;
  WORD pointSize;
  BYTE charSet;
  std::vector<DialogControlSpec> controls;
};

class CDialogTemplate {
 public:
  explicit CDialogTemplate(const DialogSpec& spec);
  // Pointer usable with DialogBoxIndirectParamW while this object lives.
  LPCDLGTEMPLATEW Get() const { return reinterpret_cast<LPCDLGTEMPLATEW>(m_words.data()); }
  size_t SizeInBytes() const { return m_words.size() * sizeof(WORD); }

 private:
  void AddWord(WORD w) { m_words.push_back(w); }
  void AddDword(DWORD d);
  void AddString(const std::wstring& s);
  void AlignDword();

  std::vector<WORD> m_words;
};
