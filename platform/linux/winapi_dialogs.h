// Dialogs, controls and the little GDI they need: the part of the subset
// that gtk_dialog.cpp, gtk_controls.cpp and gdi.cpp supply (included from
// winapi.h; see its map).
#pragma once

// ---- Dialog and control styles (the window styles are in winapi.h) -------
#define DS_FIXEDSYS 0x0008L
#define DS_SETFONT 0x0040L
#define DS_MODALFRAME 0x0080L

#define SS_LEFT 0x00000000L
#define SS_CENTER 0x00000001L
#define SS_RIGHT 0x00000002L
#define SS_OWNERDRAW 0x0000000DL
#define SS_BITMAP 0x0000000EL
#define SS_REALSIZECONTROL 0x00000040L
#define SS_TYPEMASK 0x0000001FL
#define SS_NOTIFY 0x00000100L
#define SS_SUNKEN 0x00001000L

#define BS_PUSHBUTTON 0x00000000L
#define BS_DEFPUSHBUTTON 0x00000001L
#define BS_GROUPBOX 0x00000007L
#define BS_AUTORADIOBUTTON 0x00000009L
#define BS_OWNERDRAW 0x0000000BL
#define BS_TYPEMASK 0x0000000FL
#define BS_NOTIFY 0x00004000L

#define ES_LEFT 0x0000L
#define ES_AUTOHSCROLL 0x0080L

#define SBS_HORZ 0x0000L

// ---- Notifications and scroll requests -------------------------------------
#define BN_CLICKED 0
#define BN_DOUBLECLICKED 5
#define BN_SETFOCUS 6
#define BN_KILLFOCUS 7
#define EN_CHANGE 0x0300

#define SB_CTL 2
#define SB_LINELEFT 0
#define SB_LINERIGHT 1
#define SB_PAGELEFT 2
#define SB_PAGERIGHT 3
#define SB_THUMBPOSITION 4
#define SB_THUMBTRACK 5
#define SB_LEFT 6
#define SB_RIGHT 7
#define SB_ENDSCROLL 8

#define SIF_RANGE 0x0001
#define SIF_PAGE 0x0002
#define SIF_POS 0x0004
#define SIF_TRACKPOS 0x0010

struct SCROLLINFO {
    UINT cbSize;
    UINT fMask;
    int nMin;
    int nMax;
    UINT nPage;
    int nPos;
    int nTrackPos;
};
typedef SCROLLINFO* LPSCROLLINFO;
typedef const SCROLLINFO* LPCSCROLLINFO;

#define RDW_INVALIDATE 0x0001
#define RDW_ERASE 0x0004
#define RDW_ALLCHILDREN 0x0080
#define RDW_UPDATENOW 0x0100

#ifndef ICC_TAB_CLASSES
#define ICC_TAB_CLASSES 0x00000008
#endif
struct INITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
};

// A resource named by number, as the resource script numbers them.
#define MAKEINTRESOURCEA(i) (reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(static_cast<WORD>(i))))
#define MAKEINTRESOURCEW(i) (reinterpret_cast<LPCWSTR>(static_cast<uintptr_t>(static_cast<WORD>(i))))

struct PlatformRegion;
typedef PlatformRegion* HRGN;

// ---- Dialogs (gtk_dialog.cpp) ------------------------------------------------
// Runs a dialog template of the resource script modally; the value given to
// EndDialog, or -1 when the template is unknown or no display can be opened.
INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC proc, LPARAM param);
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC proc, LPARAM param);
BOOL EndDialog(HWND dialog, INT_PTR result);
HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND control);
BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned);
UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned);
BOOL CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId);
int SetScrollInfo(HWND control, int bar, LPCSCROLLINFO info, BOOL redraw);
int SetScrollPos(HWND control, int bar, int position, BOOL redraw);
HWND GetFocus();
HWND SetFocus(HWND window);
// In screen (root) coordinates, for dialogs, their controls and the saver's
// own X windows alike; FALSE for an offscreen window, which is on no screen.
BOOL GetWindowRect(HWND window, LPRECT rect);
BOOL RedrawWindow(HWND window, const RECT* update, HRGN region, UINT flags);
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init);

// ---- GDI for owner-drawn controls (gdi.cpp) ----------------------------------
HBRUSH CreateSolidBrush(COLORREF colour);
BOOL DeleteObject(HGDIOBJ object);
struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;  // negative: rows from the top down
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};
#define BI_RGB 0L
#define DIB_RGB_COLORS 0
#define SRCCOPY 0x00CC0020
// Copies a picture onto the control's pixels. Only what the program uses:
// 32-bit BI_RGB pixels (blue in the low byte), copied at their own size
// with SRCCOPY; anything else copies nothing and returns 0. Returns the
// number of rows copied.
int StretchDIBits(HDC dc, int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth,
                  int sourceHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop);
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
BOOL PtInRect(const RECT* rect, POINT point);
