#include "ui/DialogTemplate.h"

void CDialogTemplate::AddDword(DWORD d) {
  AddWord(LOWORD(d));
  AddWord(HIWORD(d));
}

void CDialogTemplate::AddString(const std::wstring& s) {
  for (wchar_t c : s) AddWord(static_cast<WORD>(c));
  AddWord(0);
}

void CDialogTemplate::AlignDword() {
  // The vector's storage is DWORD aligned, so an even word count is aligned.
  if (m_words.size() % 2 != 0) AddWord(0);
}

CDialogTemplate::CDialogTemplate(const DialogSpec& spec) {
  AddWord(1);       // version
  AddWord(0xFFFF);  // extended template
  AddDword(0);      // help id
  AddDword(spec.exStyle);
  AddDword(spec.style | DS_SETFONT);
  AddWord(static_cast<WORD>(spec.controls.size()));
  AddWord(static_cast<WORD>(spec.x));
  AddWord(static_cast<WORD>(spec.y));
  AddWord(static_cast<WORD>(spec.cx));
  AddWord(static_cast<WORD>(spec.cy));
  AddWord(0);  // no menu
  if (spec.className.empty())
    AddWord(0);  // standard dialog class
  else
    AddString(spec.className);
  AddString(spec.title);
  AddWord(spec.pointSize);
  AddWord(FW_NORMAL);
  AddWord(static_cast<WORD>(spec.charSet << 8));  // italic 0, then charset
  AddString(spec.fontName);
  for (const DialogControlSpec& c : spec.controls) {
    AlignDword();
    AddDword(0);  // help id
    AddDword(c.exStyle);
    AddDword(c.style);
    AddWord(static_cast<WORD>(c.x));
    AddWord(static_cast<WORD>(c.y));
    AddWord(static_cast<WORD>(c.cx));
    AddWord(static_cast<WORD>(c.cy));
    AddDword(static_cast<DWORD>(c.id));
    AddString(c.className);
    AddString(c.text);
    AddWord(0);  // no creation data
  }
}
