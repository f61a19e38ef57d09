// The window's Win32 vocabulary (ui/dialog_vocabulary.h) holds the platform's values as plain
// constants so that the Qt build needs no platform header; here the compiler holds each one to
// the value <windows.h> gives, so a typo can never reach the Windows build.
// clang-format off
#include <windows.h>
// clang-format on

#include "ui/dialog_vocabulary.h"

namespace quillon::ui {

static_assert(wm_destroy == WM_DESTROY);
static_assert(wm_activate == WM_ACTIVATE);
static_assert(wm_close == WM_CLOSE);
static_assert(wm_setfont == WM_SETFONT);
static_assert(wm_getfont == WM_GETFONT);
static_assert(wm_ncdestroy == WM_NCDESTROY);
static_assert(wm_initdialog == WM_INITDIALOG);
static_assert(wm_command == WM_COMMAND);
static_assert(wm_syscommand == WM_SYSCOMMAND);
static_assert(wm_hscroll == WM_HSCROLL);
static_assert(wm_vscroll == WM_VSCROLL);
static_assert(bm_getcheck == BM_GETCHECK);
static_assert(bm_setcheck == BM_SETCHECK);

static_assert(wa_inactive == WA_INACTIVE);
static_assert(wa_active == WA_ACTIVE);
static_assert(wa_clickactive == WA_CLICKACTIVE);
static_assert(sc_close == SC_CLOSE);

static_assert(bn_clicked == BN_CLICKED);
static_assert(bn_setfocus == BN_SETFOCUS);
static_assert(bn_killfocus == BN_KILLFOCUS);
static_assert(bst_unchecked == BST_UNCHECKED);
static_assert(bst_checked == BST_CHECKED);
static_assert(bst_indeterminate == BST_INDETERMINATE);

static_assert(idok == IDOK);
static_assert(idcancel == IDCANCEL);
static_assert(sw_show == SW_SHOW);

static_assert(ws_popup == WS_POPUP);
static_assert(ws_child == WS_CHILD);
static_assert(ws_visible == WS_VISIBLE);
static_assert(ws_caption == WS_CAPTION);
static_assert(ws_vscroll == WS_VSCROLL);
static_assert(ws_hscroll == WS_HSCROLL);
static_assert(ws_sysmenu == WS_SYSMENU);
static_assert(ws_thickframe == WS_THICKFRAME);
static_assert(ws_group == WS_GROUP);
static_assert(ws_tabstop == WS_TABSTOP);
static_assert(ws_minimizebox == WS_MINIMIZEBOX);
static_assert(ws_maximizebox == WS_MAXIMIZEBOX);
static_assert(ws_ex_transparent == WS_EX_TRANSPARENT);
static_assert(ws_ex_clientedge == WS_EX_CLIENTEDGE);

static_assert(ds_sysmodal == DS_SYSMODAL);
static_assert(ds_3dlook == DS_3DLOOK);
static_assert(ds_nofailcreate == DS_NOFAILCREATE);
static_assert(ds_setfont == DS_SETFONT);
static_assert(ds_modalframe == DS_MODALFRAME);
static_assert(ds_center == DS_CENTER);

static_assert(bs_pushbutton == BS_PUSHBUTTON);
static_assert(bs_defpushbutton == BS_DEFPUSHBUTTON);
static_assert(bs_checkbox == BS_CHECKBOX);
static_assert(bs_autocheckbox == BS_AUTOCHECKBOX);
static_assert(bs_radiobutton == BS_RADIOBUTTON);
static_assert(bs_groupbox == BS_GROUPBOX);
static_assert(bs_autoradiobutton == BS_AUTORADIOBUTTON);
static_assert(bs_typemask == BS_TYPEMASK);

static_assert(ss_left == SS_LEFT);
static_assert(es_multiline == ES_MULTILINE);
static_assert(es_autovscroll == ES_AUTOVSCROLL);
static_assert(es_autohscroll == ES_AUTOHSCROLL);
static_assert(es_wantreturn == ES_WANTRETURN);

static_assert(low_word(MAKEWPARAM(0x1234, 0xABCD)) == 0x1234);
static_assert(high_word(MAKEWPARAM(0x1234, 0xABCD)) == 0xABCD);
static_assert(make_wparam(0x1234, 0xABCD) == MAKEWPARAM(0x1234, 0xABCD));

}  // namespace quillon::ui
