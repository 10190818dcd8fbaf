/* hostwin: the part of the Win32 API that Velmora calls, for the Linux host build.
   Test infrastructure only; the product links against the real Windows. */
#ifndef HOSTWIN_WINDOWS_H
#define HOSTWIN_WINDOWS_H

#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>

#define WINAPI
#define CALLBACK
#define APIENTRY

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned int DWORD;   /* 32 bits, as on Windows */
typedef int LONG;             /* 32 bits, as on Windows */
typedef unsigned int UINT;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef intptr_t LONG_PTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef char CHAR;
typedef char *LPSTR;
typedef const char *LPCSTR;
typedef BYTE *LPBYTE;
typedef const BYTE *LPCBYTE;
typedef DWORD *LPDWORD;
typedef void *LPVOID;

typedef struct HWND__ *HWND;
typedef struct HINSTANCE__ *HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct HKEY__ *HKEY;
typedef HKEY *PHKEY;

typedef struct _FILETIME
{
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
} FILETIME, *PFILETIME;

typedef INT_PTR (CALLBACK *DLGPROC)(HWND, UINT, WPARAM, LPARAM);
typedef INT_PTR (WINAPI *FARPROC)();
typedef void (CALLBACK *TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);

#define TRUE 1
#define FALSE 0
#ifndef NULL
#define NULL 0
#endif

#define MAKEINTRESOURCEA(i) ((LPSTR)(UINT_PTR)(WORD)(i))
#define LOWORD(l) ((WORD)((UINT_PTR)(l) & 0xFFFF))
#define HIWORD(l) ((WORD)(((UINT_PTR)(l) >> 16) & 0xFFFF))
#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)(((WORD)(l)) | ((DWORD)(WORD)(h)) << 16))

/* Registry */
#define HKEY_LOCAL_MACHINE ((HKEY)(UINT_PTR)0x80000002)

#define ERROR_SUCCESS          0
#define ERROR_FILE_NOT_FOUND   2
#define ERROR_ACCESS_DENIED    5
#define ERROR_INVALID_HANDLE   6
#define ERROR_INVALID_PARAMETER 87
#define ERROR_NOACCESS         998
#define ERROR_BAD_PATHNAME     161
#define ERROR_MORE_DATA        234
#define ERROR_NO_MORE_ITEMS    259
#define ERROR_KEY_DELETED      1018

#define REG_NONE       0
#define REG_SZ         1
#define REG_EXPAND_SZ  2
#define REG_BINARY     3
#define REG_DWORD      4
#define REG_MULTI_SZ   7
#define REG_QWORD      11

LONG WINAPI RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result);
LONG WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved,
                          LPSTR className, LPDWORD classSize, PFILETIME lastWrite);
LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                             LPDWORD dataSize);
LONG WINAPI RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE *data,
                           DWORD dataSize);
LONG WINAPI RegDeleteValueA(HKEY key, LPCSTR name);
LONG WINAPI RegCloseKey(HKEY key);

/* Windows and dialogs */
#define WM_INITDIALOG  0x0110
#define WM_COMMAND     0x0111
#define WM_TIMER       0x0113
#define WM_CLOSE       0x0010
#define WM_USER        0x0400

#define IDOK      1
#define IDCANCEL  2
#define IDYES     6
#define IDNO      7

#define BN_CLICKED 0

#define LB_ADDSTRING 0x0180

#define MB_OK         0x00000000
#define MB_YESNO      0x00000004
#define MB_ICONERROR  0x00000010
#define MB_TYPEMASK   0x0000000F

INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC proc,
                               LPARAM initParam);
BOOL WINAPI EndDialog(HWND dialog, INT_PTR result);
HWND WINAPI GetDlgItem(HWND dialog, int id);
UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC proc);
BOOL WINAPI KillTimer(HWND window, UINT_PTR id);
BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int WINAPI wvsprintfA(LPSTR buffer, LPCSTR format, va_list args);
int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

#define SW_SHOWDEFAULT 10

/* The process and its modules */
#define MAX_PATH 260
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#define LOAD_WITH_ALTERED_SEARCH_PATH 0x00000008
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)

HMODULE WINAPI GetModuleHandleA(LPCSTR name);
FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name);
UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT size);
DWORD WINAPI GetFileAttributesA(LPCSTR path);
HMODULE WINAPI LoadLibraryExA(LPCSTR path, void *file, DWORD flags);
void WINAPI ExitProcess(UINT code);

/* The program's entries, called by the tests as the loader would: the process entry, and
   WinMain for the tests that start past the DLL search guard. */
extern "C" void WinMainCRTStartup(void);
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

#endif
