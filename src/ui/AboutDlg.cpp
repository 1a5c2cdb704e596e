#include "ui/AboutDlg.h"

#include "ui/DialogTemplate.h"
#include "ui/SkinArtwork.h"
#include "ui/UiResource.h"
#include "ui/VantoDialogTemplates.h"

namespace {
INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* icon = reinterpret_cast<UniqueIcon*>(lParam);
      ::SendDlgItemMessageW(dialog, IDC_ABOUT_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon->get()), 0);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        ::EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}
}  // namespace

void ShowAboutBox(HWND owner) {
  const CDialogTemplate dialogTemplate(MakeAboutDialogSpec());
  UniqueIcon icon = LoadAppIcon(32);  // outlives the box
  ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), dialogTemplate.Get(), owner, &AboutProc,
                            reinterpret_cast<LPARAM>(&icon));
}
