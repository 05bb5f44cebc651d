// The GUIDs by which FAR 3 knows the plug-in and everything it shows: its
// settings store, hot keys and macros are keyed by them, so each is fixed
// once, here, for the 64-bit and the 32-bit build alike, and never changes
// (a test pins every one). A new dialog or message box gets a new GUID; an
// old one is never given to something else.
//
// TGuid is laid out as Windows' GUID (the FAR 3 plug-in converts with
// ToGuid); the header needs no Windows header, so the tests also run
// natively.
#pragma once

#include <cstdint>

namespace Far3 {

struct TGuid {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};

// {F838476D-2DFB-42E2-BDD2-E74AB66FF2BB}: the plug-in: FAR keys its settings store
// (PluginsData\\<GUID>.db), its hot keys and macros by it
constexpr TGuid PluginGuid = {
    0xF838476D, 0x2DFB, 0x42E2, {0xBD, 0xD2, 0xE7, 0x4A, 0xB6, 0x6F, 0xF2, 0xBB}};
// {B0E5B9AC-670D-419A-B0A4-2A758D7F49AF}: its item in the plug-ins menu (F11)
constexpr TGuid MenuItemGuid = {
    0xB0E5B9AC, 0x670D, 0x419A, {0xB0, 0xA4, 0x2A, 0x75, 0x8D, 0x7F, 0x49, 0xAF}};
// {58B37A1B-50F6-440F-A857-95AA8FD37E29}: its item in the plug-ins' configuration menu
constexpr TGuid ConfigItemGuid = {
    0x58B37A1B, 0x50F6, 0x440F, {0xA8, 0x57, 0x95, 0xAA, 0x8F, 0xD3, 0x7E, 0x29}};
// {8272EFA6-8466-4776-A4A6-EA8395498938}: the work-mode dialog: create a list, compare with the
// other panel
constexpr TGuid WorkModeDialogGuid = {
    0x8272EFA6, 0x8466, 0x4776, {0xA4, 0xA6, 0xEA, 0x83, 0x95, 0x49, 0x89, 0x38}};
// {18F67C91-BE51-47E3-84EE-748859B617B1}: the configuration dialog
constexpr TGuid ConfigDialogGuid = {
    0x18F67C91, 0xBE51, 0x47E3, {0x84, 0xEE, 0x74, 0x88, 0x59, 0xB6, 0x17, 0xB1}};
// {9BDBBB3D-511A-49F3-A82F-B4A4C791BCF8}: "No files selected"
constexpr TGuid NoFilesBoxGuid = {
    0x9BDBBB3D, 0x511A, 0x49F3, {0xA8, 0x2F, 0xB4, 0xA4, 0xC7, 0x91, 0xBC, 0xF8}};
// {B656B3CA-0F39-43B0-B956-86B90A2DBF19}: "List file found": verify against the selected list?
constexpr TGuid UseListBoxGuid = {
    0xB656B3CA, 0x0F39, 0x43B0, {0xB9, 0x56, 0x86, 0xB9, 0x0A, 0x2D, 0xBF, 0x19}};
// {CD5AF628-637F-42C3-9BBF-72D2C0ED8D75}: "Abort operation?" after Esc
constexpr TGuid AbortBoxGuid = {
    0xCD5AF628, 0x637F, 0x42C3, {0x9B, 0xBF, 0x72, 0xD2, 0xC0, 0xED, 0x8D, 0x75}};
// {4BDAA52A-DA0D-444F-9ACE-AB741E442F1E}: the progress box of a file being hashed
constexpr TGuid ProgressBoxGuid = {
    0x4BDAA52A, 0xDA0D, 0x444F, {0x9A, 0xCE, 0xAB, 0x74, 0x1E, 0x44, 0x2F, 0x1E}};
// {70B83A18-2C31-43B3-93B4-D2D634F45768}: the read-error prompt: Skip, Retry, Abort
constexpr TGuid ReadErrorBoxGuid = {
    0x70B83A18, 0x2C31, 0x43B3, {0x93, 0xB4, 0xD2, 0xD6, 0x34, 0xF4, 0x57, 0x68}};
// {51819E60-C281-4E11-AAA2-567DBE8B93C7}: "File %s already exists. Override?"
constexpr TGuid OverwriteBoxGuid = {
    0x51819E60, 0xC281, 0x4E11, {0xAA, 0xA2, 0x56, 0x7D, 0xBE, 0x8B, 0x93, 0xC7}};
// {187C20E2-B257-42AA-B7F8-7137C4ADC9E9}: separate lists: "%s hash list(s) already exist"
constexpr TGuid ReplaceListsBoxGuid = {
    0x187C20E2, 0xB257, 0x42AA, {0xB7, 0xF8, 0x71, 0x37, 0xC4, 0xAD, 0xC9, 0xE9}};
// {AB98B955-AB73-4884-83B9-67588762A405}: "Wrong extension": a list name of another algorithm
constexpr TGuid WrongExtensionBoxGuid = {
    0xAB98B955, 0xAB73, 0x4884, {0x83, 0xB9, 0x67, 0x58, 0x87, 0x62, 0xA4, 0x05}};
// {ECA037CB-112B-476E-B7FC-BD8E2FF51449}: the final report ("Finished")
constexpr TGuid ReportBoxGuid = {
    0xECA037CB, 0x112B, 0x476E, {0xB7, 0xFC, 0xBD, 0x8E, 0x2F, 0xF5, 0x14, 0x49}};
// {683080E2-D191-4FDE-B396-44D5B7F8BF11}: the answer to check:DIGEST
constexpr TGuid DigestAnswerBoxGuid = {
    0x683080E2, 0xD191, 0x4FDE, {0xB3, 0x96, 0x44, 0xD5, 0xB7, 0xF8, 0xBF, 0x11}};
// {5DB3D94E-F9A0-49E0-AEFC-4CB319D0321C}: "Error": a list or a name the run cannot use
constexpr TGuid ErrorBoxGuid = {
    0x5DB3D94E, 0xF9A0, 0x49E0, {0xAE, 0xFC, 0x4C, 0xB3, 0x19, 0xD0, 0x32, 0x1C}};
// {6F94D061-4702-423A-98E3-ACA7A7C24C30}: "Can not save hash list to file"
constexpr TGuid CannotSaveBoxGuid = {
    0x6F94D061, 0x4702, 0x423A, {0x98, 0xE3, 0xAC, 0xA7, 0xA7, 0xC2, 0x4C, 0x30}};
// {5BFA35A0-CD33-4D4B-BB6A-C901CBDF341F}: "Stopped: a file could not be hashed"
constexpr TGuid RunStoppedBoxGuid = {
    0x5BFA35A0, 0xCD33, 0x4D4B, {0xBB, 0x6A, 0xC9, 0x01, 0xCB, 0xDF, 0x34, 0x1F}};

// Every GUID above, once, for the test that checks they stay as they are and
// that no two are alike.
constexpr const TGuid* AllGuids[] = {&PluginGuid,
                                     &MenuItemGuid,
                                     &ConfigItemGuid,
                                     &WorkModeDialogGuid,
                                     &ConfigDialogGuid,
                                     &NoFilesBoxGuid,
                                     &UseListBoxGuid,
                                     &AbortBoxGuid,
                                     &ProgressBoxGuid,
                                     &ReadErrorBoxGuid,
                                     &OverwriteBoxGuid,
                                     &ReplaceListsBoxGuid,
                                     &WrongExtensionBoxGuid,
                                     &ReportBoxGuid,
                                     &DigestAnswerBoxGuid,
                                     &ErrorBoxGuid,
                                     &CannotSaveBoxGuid,
                                     &RunStoppedBoxGuid};

} // namespace Far3
