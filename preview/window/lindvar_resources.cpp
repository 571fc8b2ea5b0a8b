// The preview window's resource tables (see lindvar_resources.h). The
// toolbar images and the icon are drawn here once, from simple shapes.
#include "preview/window/lindvar_resources.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "preview/window/lindvar_ids.h"

namespace {

using K = AfxControlKind;

const AfxMenuItem kMenuItems[] = {
    {AfxMenuItem::kPopup, 0, "Exibir(&V)"},
    {AfxMenuItem::kCommand, ID_VIEW_TOOLBAR, "Barra ferramen.(&L)"},
    {AfxMenuItem::kSeparator, 0, nullptr},
    {AfxMenuItem::kCommand, ID_PAGE_FIRST, "Prim. pág.(&H)\tHome"},
    {AfxMenuItem::kCommand, ID_PAGE_PREV, "Pág. anterior(&B)\tPageUp"},
    {AfxMenuItem::kCommand, ID_PAGE_NEXT, "Próxima página(&F)\tPageDown"},
    {AfxMenuItem::kCommand, ID_PAGE_LAST, "Última página(&E)\tEnd"},
    {AfxMenuItem::kCommand, ID_PAGE_GOTO, "Página espec.(&J)...\tCtrl+J"},
    {AfxMenuItem::kSeparator, 0, nullptr},
    {AfxMenuItem::kCommand, ID_VIEW_ZOOM, "Zoom(&Z)...\tCtrl+M"},
    {AfxMenuItem::kSeparator, 0, nullptr},
    {AfxMenuItem::kCommand, ID_APP_EXIT, "Fechar visual. saída(&X)"},
    {AfxMenuItem::kEndPopup, 0, nullptr},
    {AfxMenuItem::kPopup, 0, "Imprimir(&P)"},
    {AfxMenuItem::kCommand, ID_FILE_PRINT_DIRECT, "Iniciar imp.\tCtrl+P"},
    {AfxMenuItem::kEndPopup, 0, nullptr},
};

const AfxAccel kAccels[] = {
    {FVIRTKEY | FCONTROL, 'M', ID_VIEW_ZOOM}, {FVIRTKEY | FCONTROL, 'P', ID_FILE_PRINT_DIRECT},
    {FVIRTKEY | FCONTROL, 'J', ID_PAGE_GOTO}, {FVIRTKEY, VK_HOME, ID_PAGE_FIRST},
    {FVIRTKEY, VK_PRIOR, ID_PAGE_PREV},       {FVIRTKEY, VK_NEXT, ID_PAGE_NEXT},
    {FVIRTKEY, VK_END, ID_PAGE_LAST},
};

// ---- Dialogs --------------------------------------------------------------------

const AfxDialogControl kAboutControls[] = {
    {K::kIcon, 3000, nullptr, 11, 17, 20, 20, 0},
    {K::kStatic, 3001, "Dravix Version 1.0", 40, 10, 119, 8, 0},
    {K::kStatic, 3002, "プレビュー表示プログラム", 40, 25, 119, 8, 0},
    {K::kDefButton, IDOK, "OK", 178, 7, 50, 14, WS_GROUP},
};
const AfxDialogTemplate kAboutDialog{IDD_ABOUTBOX,
                                     "バージョン情報",
                                     "IPAPGothic",
                                     9,
                                     235,
                                     55,
                                     kAboutControls,
                                     static_cast<int>(std::size(kAboutControls))};

const AfxDialogControl kZoomControls[] = {
    {K::kGroupBox, IDC_ZOOM_GROUP, "Zoom", 7, 7, 118, 110, 0},
    {K::kRadio, IDC_ZOOM_25, "25%(&1)", 15, 20, 100, 10, WS_GROUP},
    {K::kRadio, IDC_ZOOM_50, "50%(&2)", 15, 34, 100, 10, 0},
    {K::kRadio, IDC_ZOOM_75, "75%(&3)", 15, 48, 100, 10, 0},
    {K::kRadio, IDC_ZOOM_100, "100%(&4)", 15, 62, 100, 10, 0},
    {K::kRadio, IDC_ZOOM_FIT, "Aj. toda página(&0)", 15, 76, 100, 10, 0},
    {K::kRadio, IDC_ZOOM_CUSTOM, "Zoom especificado(&S)", 15, 90, 100, 10, 0},
    {K::kStatic, IDC_ZOOM_LABEL, "Zoom(&P):", 25, 103, 35, 8, WS_GROUP},
    {K::kEdit, IDC_ZOOM_PERCENT, "", 62, 101, 35, 12, 0},
    {K::kStatic, IDC_ZOOM_UNIT, "%", 100, 103, 10, 8, 0},
    {K::kDefButton, IDOK, "OK", 133, 7, 50, 14, WS_GROUP},
    {K::kButton, IDCANCEL, "Cancelar", 133, 24, 50, 14, 0},
};
const AfxDialogTemplate kZoomDialog{IDD_VIEW_ZOOM, "Configuração do zoom",
                                    "DejaVu Sans", 9,
                                    190,           124,
                                    kZoomControls, static_cast<int>(std::size(kZoomControls))};

const AfxDialogControl kInfoControls[] = {
    {K::kStatic, 3100, "画像ファイル名:", 7, 9, 80, 8, 0},
    {K::kStatic, IDC_INFO_FILE, "", 90, 9, 170, 8, 0},
    {K::kStatic, 3101, "フォーマット:", 7, 23, 80, 8, 0},
    {K::kStatic, IDC_INFO_FORMAT, "", 90, 23, 170, 8, 0},
    {K::kStatic, 3102, "カラースペース:", 7, 37, 80, 8, 0},
    {K::kStatic, IDC_INFO_COLOR_SPACE, "", 90, 37, 170, 8, 0},
    {K::kStatic, 3103, "チャンネル数:", 7, 51, 80, 8, 0},
    {K::kStatic, IDC_INFO_CHANNELS, "", 90, 51, 60, 8, 0},
    {K::kStatic, 3104, "ビット数/チャンネル:", 7, 65, 80, 8, 0},
    {K::kStatic, IDC_INFO_BITS, "", 90, 65, 60, 8, 0},
    {K::kStatic, 3105, "圧縮形式:", 7, 79, 80, 8, 0},
    {K::kStatic, IDC_INFO_COMPRESSION, "", 90, 79, 170, 8, 0},
    {K::kStatic, 3106, "解像度 (X / Y):", 7, 93, 80, 8, 0},
    {K::kStatic, IDC_INFO_XRES, "", 90, 93, 30, 8, 0},
    {K::kStatic, 3107, "dpi /", 122, 93, 20, 8, 0},
    {K::kStatic, IDC_INFO_YRES, "", 144, 93, 30, 8, 0},
    {K::kStatic, 3108, "dpi", 176, 93, 20, 8, 0},
    {K::kStatic, 3109, "ピクセル数 (X / Y):", 7, 107, 80, 8, 0},
    {K::kStatic, IDC_INFO_XPIXELS, "", 90, 107, 40, 8, 0},
    {K::kStatic, 3110, "/", 132, 107, 8, 8, 0},
    {K::kStatic, IDC_INFO_YPIXELS, "", 142, 107, 40, 8, 0},
    {K::kStatic, 3111, "ページ番号 / 総ページ数:", 7, 121, 80, 8, 0},
    {K::kStatic, IDC_INFO_PAGE, "", 90, 121, 30, 8, 0},
    {K::kStatic, 3112, "/", 122, 121, 8, 8, 0},
    {K::kStatic, IDC_INFO_PAGES, "", 132, 121, 30, 8, 0},
    {K::kStatic, 3113, "その他の情報:", 7, 135, 80, 8, 0},
    {K::kEdit, IDC_INFO_OTHER, "", 7, 147, 253, 40, ES_MULTILINE | ES_READONLY},
    {K::kDefButton, IDOK, "OK", 105, 194, 60, 14, WS_GROUP},
};
const AfxDialogTemplate kInfoDialog{IDD_IMAGE_INFO,
                                    "画像属性情報",
                                    "IPAPGothic",
                                    9,
                                    268,
                                    215,
                                    kInfoControls,
                                    static_cast<int>(std::size(kInfoControls))};

const AfxDialogControl kGotoControls[] = {
    {K::kEdit, IDC_GOTO_PAGE, "", 7, 10, 40, 12, 0},
    {K::kStatic, IDC_GOTO_RANGE, "", 52, 12, 90, 8, 0},
    {K::kDefButton, IDOK, "OK", 150, 7, 50, 14, WS_GROUP},
    {K::kButton, IDCANCEL, "Cancelar", 150, 24, 50, 14, 0},
};
const AfxDialogTemplate kGotoDialog{IDD_PAGE_GOTO, "Pág. Especificada",
                                    "DejaVu Sans", 9,
                                    207,           45,
                                    kGotoControls, static_cast<int>(std::size(kGotoControls))};

const AfxDialogControl kTfxpmControls[] = {
    {K::kGroupBox, 3200, "文書タイプ", 7, 7, 150, 50, 0},
    {K::kRadio, 1040, "カラー文字", 15, 19, 130, 10, WS_GROUP},
    {K::kRadio, 1041, "文字・写真 (高速)", 15, 31, 130, 10, 0},
    {K::kRadio, 1042, "文字・写真 (高画質)", 15, 43, 130, 10, 0},
    {K::kGroupBox, 3201, "Mask 圧縮", 165, 7, 150, 70, WS_GROUP},
    {K::kRadio, 1043, "なし", 173, 19, 60, 10, WS_GROUP},
    {K::kRadio, 1044, "MH", 173, 31, 60, 10, 0},
    {K::kRadio, 1045, "MR", 173, 43, 60, 10, 0},
    {K::kRadio, 1046, "MMR", 240, 19, 60, 10, 0},
    {K::kRadio, 1047, "JBIG(T.85)", 240, 31, 70, 10, 0},
    {K::kGroupBox, 3202, "FG パラメータ", 7, 82, 150, 170, WS_GROUP},
    {K::kStatic, 3203, "縮小・拡大", 15, 94, 130, 8, 0},
    {K::kRadio, 1032, "なし", 15, 104, 30, 10, WS_GROUP},
    {K::kRadio, 1033, "1/2", 48, 104, 30, 10, 0},
    {K::kRadio, 1034, "1/3", 81, 104, 30, 10, 0},
    {K::kRadio, 1035, "1/4", 114, 104, 30, 10, 0},
    {K::kStatic, 3204, "圧縮", 15, 120, 130, 8, WS_GROUP},
    {K::kRadio, 1051, "なし", 15, 130, 30, 10, WS_GROUP},
    {K::kRadio, 1052, "JPEG", 48, 130, 35, 10, 0},
    {K::kRadio, 1053, "JBIG(T.43)", 88, 130, 60, 10, 0},
    {K::kStatic, 3205, "JPEG SubSampling", 15, 146, 130, 8, WS_GROUP},
    {K::kRadio, 1057, "444 (間引きなし)", 15, 156, 130, 10, WS_GROUP},
    {K::kRadio, 1058, "422 (水平1/2)", 15, 168, 130, 10, 0},
    {K::kRadio, 1059, "420 (水平・垂直1/2)", 15, 180, 130, 10, 0},
    {K::kRadio, 1060, "411 (水平1/4)", 15, 192, 130, 10, 0},
    {K::kStatic, 3206, "JPEG Quality (1-100)：", 15, 212, 90, 8, WS_GROUP},
    {K::kEdit, 1065, "", 108, 210, 35, 12, 0},
    {K::kGroupBox, 3207, "BG パラメータ", 165, 82, 150, 170, WS_GROUP},
    {K::kStatic, 3208, "縮小・拡大", 173, 94, 130, 8, 0},
    {K::kRadio, 1036, "なし", 173, 104, 30, 10, WS_GROUP},
    {K::kRadio, 1037, "1/2", 206, 104, 30, 10, 0},
    {K::kRadio, 1038, "1/3", 239, 104, 30, 10, 0},
    {K::kRadio, 1039, "1/4", 272, 104, 30, 10, 0},
    {K::kStatic, 3209, "圧縮", 173, 120, 130, 8, WS_GROUP},
    {K::kRadio, 1054, "なし", 173, 130, 30, 10, WS_GROUP},
    {K::kRadio, 1055, "JPEG", 206, 130, 35, 10, 0},
    {K::kRadio, 1056, "JBIG(T.43)", 246, 130, 60, 10, 0},
    {K::kStatic, 3210, "JPEG SubSampling", 173, 146, 130, 8, WS_GROUP},
    {K::kRadio, 1061, "444 (間引きなし)", 173, 156, 130, 10, WS_GROUP},
    {K::kRadio, 1062, "422 (水平1/2)", 173, 168, 130, 10, 0},
    {K::kRadio, 1063, "420 (水平・垂直1/2)", 173, 180, 130, 10, 0},
    {K::kRadio, 1064, "411 (水平1/4)", 173, 192, 130, 10, 0},
    {K::kStatic, 3211, "JPEG Quality (1-100)：", 173, 212, 90, 8, WS_GROUP},
    {K::kEdit, 1066, "", 266, 210, 35, 12, 0},
    {K::kStatic, 3212, "出力ファイル名", 7, 262, 60, 8, WS_GROUP},
    {K::kEdit, 1031, "", 70, 260, 245, 12, ES_AUTOHSCROLL},
    {K::kDefButton, IDOK, "OK", 205, 280, 50, 14, WS_GROUP},
    {K::kButton, IDCANCEL, "キャンセル", 265, 280, 50, 14, 0},
};
const AfxDialogTemplate kTfxpmDialog{IDD_MAKE_TFXPM,
                                     "TIFF-FX Profile-M 生成",
                                     "IPAPGothic",
                                     9,
                                     322,
                                     301,
                                     kTfxpmControls,
                                     static_cast<int>(std::size(kTfxpmControls))};

const AfxDialogTemplate* const kDialogs[] = {&kAboutDialog, &kZoomDialog, &kInfoDialog, &kGotoDialog, &kTfxpmDialog};

// ---- Images -----------------------------------------------------------------------

// A small RGB canvas to draw the toolbar images and the icon on.
struct Canvas {
  int width, height;
  std::vector<unsigned char> rgb;
  Canvas(int w, int h) : width(w), height(h), rgb(static_cast<size_t>(w * h * 3), 192) {}
  void dot(int x, int y, uint32_t c) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    unsigned char* p = &rgb[static_cast<size_t>((y * width + x) * 3)];
    p[0] = static_cast<unsigned char>(c >> 16);
    p[1] = static_cast<unsigned char>(c >> 8);
    p[2] = static_cast<unsigned char>(c);
  }
  void box(int x0, int y0, int x1, int y1, uint32_t c) {
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) dot(x, y, c);
  }
  void frame(int x0, int y0, int x1, int y1, uint32_t c) {
    box(x0, y0, x1, y0, c);
    box(x0, y1, x1, y1, c);
    box(x0, y0, x0, y1, c);
    box(x1, y0, x1, y1, c);
  }
  void ring(int cx, int cy, int r, uint32_t c) {
    for (int y = cy - r - 1; y <= cy + r + 1; ++y)
      for (int x = cx - r - 1; x <= cx + r + 1; ++x) {
        double d = std::hypot(x - cx, y - cy);
        if (d >= r - 1.0 && d <= r + 0.5) dot(x, y, c);
      }
  }
  // A triangle pointing left (dir -1) or right (dir 1) with its tip at x.
  void arrow(int x, int cy, int size, int dir, uint32_t c) {
    for (int i = 0; i < size; ++i) box(x - dir * i, cy - i, x - dir * i, cy + i, c);
  }
};

constexpr uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF, kBlue = 0x2050A0, kGray = 0x808080;

void Magnifier(Canvas& c, int ox, int sign) {
  c.ring(ox + 10, 10, 7, kBlack);
  c.box(ox + 15, 15, ox + 17, 17, kBlack);
  c.box(ox + 17, 17, ox + 21, 21, kBlack);
  c.box(ox + 6, 9, ox + 14, 11, kBlue);
  if (sign > 0) c.box(ox + 9, 6, ox + 11, 14, kBlue);
}

std::vector<unsigned char> DrawToolbar() {
  Canvas c(24 * 9, 24);
  // 0: start printing, a printer with a sheet.
  c.box(5, 3, 18, 9, kWhite);
  c.frame(5, 3, 18, 9, kBlack);
  c.box(2, 10, 21, 18, kGray);
  c.frame(2, 10, 21, 18, kBlack);
  c.box(6, 16, 17, 21, kWhite);
  c.frame(6, 16, 17, 21, kBlack);
  // 1: the zoom box's slot (covered by the box).
  Magnifier(c, 24, 0);
  // 2: zoom out; 3: fit the page; 4: zoom in.
  Magnifier(c, 48, -1);
  c.box(72 + 6, 2, 72 + 17, 21, kWhite);
  c.frame(72 + 6, 2, 72 + 17, 21, kBlack);
  c.arrow(72 + 11, 6, 4, -1, kBlue);
  c.arrow(72 + 12, 17, 4, 1, kBlue);
  Magnifier(c, 96, 1);
  // 5: first page; 6: previous; 7: next; 8: last.
  c.box(120 + 5, 5, 120 + 6, 18, kBlack);
  c.arrow(120 + 8, 12, 7, 1, kBlue);
  c.arrow(144 + 7, 12, 7, 1, kBlue);
  c.arrow(168 + 16, 12, 7, -1, kBlue);
  c.arrow(192 + 15, 12, 7, -1, kBlue);
  c.box(192 + 17, 5, 192 + 18, 18, kBlack);
  return c.rgb;
}

std::vector<unsigned char> DrawIcon() {
  Canvas c(32, 32);
  c.box(4, 2, 22, 28, kWhite);
  c.frame(4, 2, 22, 28, kBlack);
  for (int y = 7; y < 24; y += 4) c.box(7, y, 19, y, kGray);
  c.ring(20, 18, 7, kBlue);
  c.box(25, 23, 29, 27, kBlack);
  return c.rgb;
}

}  // namespace

const AfxToolSlot kLindvarToolbar[11] = {
    {ID_FILE_PRINT_DIRECT, 0, 0}, {ID_SEPARATOR, -1, 5}, {ID_ZOOM_COMBO, 1, 0}, {ID_ZOOM_OUT, 2, 0},
    {ID_ZOOM_FIT, 3, 0},          {ID_ZOOM_IN, 4, 0},    {ID_SEPARATOR, -1, 5}, {ID_PAGE_FIRST, 5, 0},
    {ID_PAGE_PREV, 6, 0},         {ID_PAGE_NEXT, 7, 0},  {ID_PAGE_LAST, 8, 0},
};

const AfxResourceTable* LindvarResources() {
  static const std::vector<unsigned char> toolbar = DrawToolbar();
  static const std::vector<unsigned char> icon = DrawIcon();
  static const AfxResourceTable::Menu menus[] = {
      {IDR_MAINFRAME, {kMenuItems, static_cast<int>(std::size(kMenuItems))}}};
  static const AfxResourceTable::Accel accels[] = {{IDR_MAINFRAME, {kAccels, static_cast<int>(std::size(kAccels))}}};
  static const AfxResourceTable::Bitmap bitmaps[] = {{IDB_TOOLBAR, {24 * 9, 24, toolbar.data()}},
                                                     {IDR_MAINFRAME, {32, 32, icon.data()}}};
  static const AfxResourceTable table{menus, 1, accels, 1, bitmaps, 2, kDialogs, static_cast<int>(std::size(kDialogs))};
  return &table;
}
