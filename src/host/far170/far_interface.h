// The records, services and constants of the FAR Manager 1.70 plug-in
// interface that Hashkeep uses, laid out as the host lays them out. The
// 32-bit build proves every size and every offset the plug-in touches; a
// 64-bit build (Linux tests, substitute host) uses the same declarations with
// natural pointer sizes. The substitute host (apps/hkhost) speaks the same
// records from the host's side.
#pragma once

#include "platform/callconv.h"

#include <cstddef>
#include <cstdint>

using DWORD = uint32_t;
using HANDLE = void*;
using INT_PTR = intptr_t;
using LONG_PTR = intptr_t;

constexpr int NM = 260;
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));

constexpr int MakeFarVersion(int major, int minor, int build) {
    return (build << 16) | (major << 8) | minor;
}

// --- Constants -------------------------------------------------------------

enum : int { OPEN_PLUGINSMENU = 1, OPEN_COMMANDLINE = 4 };

enum : DWORD {
    FMSG_WARNING = 0x1,
    FMSG_MB_OK = 0x10000,
    FMSG_MB_YESNO = 0x40000,
    FMSG_MB_YESNOCANCEL = 0x50000
};

enum : int {
    FCTL_GETPANELINFO = 1,
    FCTL_GETANOTHERPANELINFO = 2,
    FCTL_UPDATEPANEL = 3,
    FCTL_UPDATEANOTHERPANEL = 4,
    FCTL_REDRAWPANEL = 5,
    FCTL_REDRAWANOTHERPANEL = 6,
    FCTL_SETSELECTION = 10,
    FCTL_SETANOTHERSELECTION = 11,
};

enum : int { PTYPE_FILEPANEL = 0, PTYPE_TREEPANEL = 1, PTYPE_QVIEWPANEL = 2, PTYPE_INFOPANEL = 3 };

enum : int {
    DI_TEXT = 0,
    DI_DOUBLEBOX = 3,
    DI_EDIT = 4,
    DI_BUTTON = 7,
    DI_CHECKBOX = 8,
    DI_RADIOBUTTON = 9,
};

enum : DWORD {
    DIF_GROUP = 0x400,
    DIF_CENTERGROUP = 0x4000,
    DIF_SEPARATOR = 0x10000,
    DIF_DISABLE = 0x80000000u,
};

enum : int { DM_ENABLE = 2, DM_GETTEXT = 7, DM_GETTEXTLENGTH = 8, DM_SETTEXTPTR = 22 };
enum : int { DN_BTNCLICK = 0x1001 };

enum : DWORD { PPIF_SELECTED = 0x40000000u };
enum : DWORD { FILE_ATTRIBUTE_DIRECTORY_FAR = 0x10 };

// --- Records ---------------------------------------------------------------

struct FarFileTime {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

#pragma pack(push, 2)
// The host's own 2-byte-packed find data (318 bytes), not WIN32_FIND_DATAA.
struct FarFindData {
    DWORD dwFileAttributes;
    FarFileTime ftCreationTime;
    FarFileTime ftLastAccessTime;
    FarFileTime ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    char cFileName[NM];
    char cAlternateFileName[14];
};

struct PluginPanelItem {
    FarFindData FindData;
    DWORD PackSizeHigh;
    DWORD PackSize;
    DWORD Flags;
    DWORD NumberOfLinks;
    char* Description;
    char* Owner;
    char** CustomColumnData;
    int CustomColumnNumber;
    DWORD UserData;
    DWORD CRC32;
    DWORD Reserved[2];
};
#pragma pack(pop)

struct FarRect {
    int32_t Left, Top, Right, Bottom;
};

struct PanelInfo {
    int PanelType;
    int Plugin;
    FarRect PanelRect;
    PluginPanelItem* PanelItems;
    int ItemsNumber;
    PluginPanelItem* SelectedItems;
    int SelectedItemsNumber;
    int CurrentItem;
    int TopPanelItem;
    int Visible;
    int Focus;
    int ViewMode;
    char ColumnTypes[80];
    char ColumnWidths[80];
    char CurDir[NM];
    int ShortNames;
    int SortMode;
    DWORD Flags;
    DWORD Reserved;
};

struct FarDialogItem {
    int Type;
    int X1, Y1, X2, Y2;
    int Focus;
    union {
        int Selected;
        const char* History; // members of the host's union that Hashkeep never uses
        const char* Mask;
        LONG_PTR Reserved;
    };
    DWORD Flags;
    int DefaultButton;
    char Data[512];
};

struct FarDialogItemData {
    int PtrLength;
    char* PtrData;
};

struct PluginInfo {
    int StructSize;
    DWORD Flags;
    const char* const* DiskMenuStrings;
    int* DiskMenuNumbers;
    int DiskMenuStringsNumber;
    const char* const* PluginMenuStrings;
    int PluginMenuStringsNumber;
    const char* const* PluginConfigStrings;
    int PluginConfigStringsNumber;
    const char* CommandPrefix;
    DWORD SysID;
};

// --- Services --------------------------------------------------------------

using FARWINDOWPROC = LONG_PTR(HK_WINAPI*)(HANDLE hDlg, int Msg, int Param1, LONG_PTR Param2);
using FARAPIMESSAGE = int(HK_WINAPI*)(int PluginNumber, DWORD Flags, const char* HelpTopic,
                                      const char* const* Items, int ItemsNumber, int ButtonsNumber);
using FARAPIGETMSG = const char*(HK_WINAPI*)(int PluginNumber, int MsgId);
using FARAPIDIALOG = int(HK_WINAPI*)(int PluginNumber, int X1, int Y1, int X2, int Y2,
                                     const char* HelpTopic, FarDialogItem* Item, int ItemsNumber);
using FARAPIDIALOGEX = int(HK_WINAPI*)(int PluginNumber, int X1, int Y1, int X2, int Y2,
                                       const char* HelpTopic, FarDialogItem* Item, int ItemsNumber,
                                       DWORD Reserved, DWORD Flags, FARWINDOWPROC DlgProc,
                                       LONG_PTR Param);
using FARAPISENDDLGMESSAGE = LONG_PTR(HK_WINAPI*)(HANDLE hDlg, int Msg, int Param1,
                                                  LONG_PTR Param2);
using FARAPIDEFDLGPROC = LONG_PTR(HK_WINAPI*)(HANDLE hDlg, int Msg, int Param1, LONG_PTR Param2);
using FARAPICONTROL = int(HK_WINAPI*)(HANDLE hPlugin, int Command, void* Param);
using FARAPISAVESCREEN = HANDLE(HK_WINAPI*)(int X1, int Y1, int X2, int Y2);
using FARAPIRESTORESCREEN = void(HK_WINAPI*)(HANDLE hScreen);

struct PluginStartupInfo {
    int StructSize;
    char ModuleName[NM];
    int ModuleNumber;
    const char* RootKey;
    void* Menu;
    FARAPIDIALOG Dialog;
    FARAPIMESSAGE Message;
    FARAPIGETMSG GetMsg;
    FARAPICONTROL Control;
    FARAPISAVESCREEN SaveScreen;
    FARAPIRESTORESCREEN RestoreScreen;
    void* GetDirList;
    void* GetPluginDirList;
    void* FreeDirList;
    void* Viewer;
    void* Editor;
    void* CmpName;
    void* CharTable;
    void* Text;
    void* EditorControl;
    void* FSF;
    void* ShowHelp;
    void* AdvControl;
    void* InputBox;
    FARAPIDIALOGEX DialogEx;
    FARAPISENDDLGMESSAGE SendDlgMessage;
    FARAPIDEFDLGPROC DefDlgProc;
    DWORD Reserved;
    void* ViewerControl;
};

// --- Entry points ----------------------------------------------------------

using GetMinFarVersionFunc = int(HK_WINAPI*)();
using SetStartupInfoFunc = void(HK_WINAPI*)(const PluginStartupInfo* Info);
using GetPluginInfoFunc = void(HK_WINAPI*)(PluginInfo* Info);
using OpenPluginFunc = HANDLE(HK_WINAPI*)(int OpenFrom, INT_PTR Item);
using ConfigureFunc = int(HK_WINAPI*)(int ItemNumber);

// --- The 32-bit layout, proved ---------------------------------------------

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(FarFindData) == 318);
static_assert(sizeof(PluginPanelItem) == 366);
static_assert(offsetof(PluginPanelItem, FindData.dwFileAttributes) == 0);
static_assert(offsetof(PluginPanelItem, FindData.nFileSizeHigh) == 28);
static_assert(offsetof(PluginPanelItem, FindData.nFileSizeLow) == 32);
static_assert(offsetof(PluginPanelItem, FindData.cFileName) == 44);
static_assert(offsetof(PluginPanelItem, FindData.cAlternateFileName) == 304);
static_assert(offsetof(PluginPanelItem, PackSizeHigh) == 318);
static_assert(offsetof(PluginPanelItem, Flags) == 326);
static_assert(offsetof(PluginPanelItem, Description) == 334);
static_assert(offsetof(PluginPanelItem, UserData) == 350);
static_assert(offsetof(PluginPanelItem, Reserved) == 358);

static_assert(sizeof(PanelInfo) == 496);
static_assert(offsetof(PanelInfo, PanelType) == 0);
static_assert(offsetof(PanelInfo, Plugin) == 4);
static_assert(offsetof(PanelInfo, PanelItems) == 24);
static_assert(offsetof(PanelInfo, ItemsNumber) == 28);
static_assert(offsetof(PanelInfo, SelectedItems) == 32);
static_assert(offsetof(PanelInfo, SelectedItemsNumber) == 36);
static_assert(offsetof(PanelInfo, ColumnTypes) == 60);
static_assert(offsetof(PanelInfo, CurDir) == 220);
static_assert(offsetof(PanelInfo, ShortNames) == 480);
static_assert(offsetof(PanelInfo, Reserved) == 492);

static_assert(sizeof(FarDialogItem) == 548);
static_assert(offsetof(FarDialogItem, Type) == 0);
static_assert(offsetof(FarDialogItem, X1) == 4);
static_assert(offsetof(FarDialogItem, Y2) == 16);
static_assert(offsetof(FarDialogItem, Focus) == 20);
static_assert(offsetof(FarDialogItem, Selected) == 24);
static_assert(offsetof(FarDialogItem, Flags) == 28);
static_assert(offsetof(FarDialogItem, DefaultButton) == 32);
static_assert(offsetof(FarDialogItem, Data) == 36);

static_assert(sizeof(FarDialogItemData) == 8);
static_assert(offsetof(FarDialogItemData, PtrData) == 4);

static_assert(sizeof(PluginInfo) == 44);
static_assert(offsetof(PluginInfo, Flags) == 4);
static_assert(offsetof(PluginInfo, PluginMenuStrings) == 20);
static_assert(offsetof(PluginInfo, PluginMenuStringsNumber) == 24);
static_assert(offsetof(PluginInfo, PluginConfigStrings) == 28);
static_assert(offsetof(PluginInfo, PluginConfigStringsNumber) == 32);
static_assert(offsetof(PluginInfo, CommandPrefix) == 36);
static_assert(offsetof(PluginInfo, SysID) == 40);

static_assert(sizeof(PluginStartupInfo) == 372);
static_assert(offsetof(PluginStartupInfo, ModuleName) == 4);
static_assert(offsetof(PluginStartupInfo, ModuleNumber) == 264);
static_assert(offsetof(PluginStartupInfo, RootKey) == 268);
static_assert(offsetof(PluginStartupInfo, Dialog) == 276);
static_assert(offsetof(PluginStartupInfo, Message) == 280);
static_assert(offsetof(PluginStartupInfo, GetMsg) == 284);
static_assert(offsetof(PluginStartupInfo, Control) == 288);
static_assert(offsetof(PluginStartupInfo, SaveScreen) == 292);
static_assert(offsetof(PluginStartupInfo, RestoreScreen) == 296);
static_assert(offsetof(PluginStartupInfo, FSF) == 336);
static_assert(offsetof(PluginStartupInfo, DialogEx) == 352);
static_assert(offsetof(PluginStartupInfo, SendDlgMessage) == 356);
static_assert(offsetof(PluginStartupInfo, DefDlgProc) == 360);
static_assert(offsetof(PluginStartupInfo, Reserved) == 364);
static_assert(offsetof(PluginStartupInfo, ViewerControl) == 368);
#endif
