#pragma once

#include <QtGlobal>

// Every fixed number of the program in one place: control ids (also the
// object names of the controls, which tests look up), command ids of the
// accelerator table, window ids, dialog templates, pictures and the show
// commands of the process start.

// An item's ask count stays within 16 signed bits.
inline constexpr qint16 kMaxAskCount = 32767;

// Command ids. The accelerator table and the main bar's controls both end
// in one of these.
enum CommandId : int {
    kCmdModeKnown = 32771, // to 32775: Known, Learned, Learning, NoLearn, Unspec
    kCmdWebSearch = 32776,
    kCmdStudyState = 32777,
    kCmdHistory = 32778,
    kCmdPrevious = 32779,
    kCmdNext = 32780,
    kCmdAnswer = 32781,
    kCmdToggleSearch = 32782,
    kCmdOptions = 32783,
    kCmdSwapSides = 32784,
    kCmdSearchFilterKnown = 32785, // to 32789, in the same order as the modes
    kCmdSearchAction = 32790,
    kCmdCheckWriting = 32791, // the handwriting check, again
    kCmdStrokeOrder = 32792,
    kCmdErase = 57632,
    kCmdExit = 57665,
    kCmdHelpIndex = 57666,
};

// Control ids.
enum ControlId : int {
    kIdModeFirst = 1000, // to 1004, in button order
    kIdWebSearch = 1005,
    kIdTodayCount = 1006,
    kIdHistory = 1007,
    kIdBack = 1008,
    kIdNext = 1009,
    kIdAnswer = 1010,
    kIdErase = 1011,
    kIdSearchBarButton = 1012, // to 1016: the picture buttons
    kIdOptionsButton = 1013,
    kIdHelpButton = 1014,
    kIdSwapButton = 1015,
    kIdExitButton = 1016,
    kIdItemList = 1017,
    kIdSearchText = 1036,
    kIdActionCombo = 1037,
    kIdFilterFirst = 1038, // to 1042, in button order
    kIdSearchStatus = 1043,
    kIdExecute = 1044,
    kIdCloseSearch = 1046,
    kIdOwnLists = 1060, // the options dialog's word lists, export and restore
    kIdExportData = 1061,
    kIdRestoreData = 1062,
};

// The windows of the main frame.
enum WindowId : int {
    kIdMainBar = 59397,
    kIdSearchBar = 59398,
    kIdPanelBar = 59399,
    kIdView = 59648,
};

// Dialog templates (also the help topics' base).
enum TemplateId : int {
    kTemplateMainBar = 130,
    kTemplatePanel = 131,
    kTemplateHistory = 133,
    kTemplateSearchBar = 134,
    kTemplateModeSelect = 172,
};

// Pictures.
enum PictureId : int {
    kPictureProgramIcon = 128,
    kPictureHistoryIcon = 140,
    kPictureModeOff = 158,   // a mode button not chosen
    kPictureFilterOff = 159, // a filter button not chosen
    kPictureListMarker = 164,
    kPictureSearchBar = 165,
    kPictureOptions = 166,
    kPictureHelp = 167,
    kPictureSwap = 168,
    kPictureExit = 170,
};

// Show commands the process start may ask for.
enum ShowCommandId : int {
    kShowCmdUnset = -1,
    kShowCmdNormal = 1,
    kShowCmdMinimized = 2,
    kShowCmdMaximized = 3,
    kShowCmdShow = 5,
    kShowCmdMinNoActive = 6,
    kShowCmdMinimizedNoActive = 7,
    kShowCmdDefault = 10,
};
