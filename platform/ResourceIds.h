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
    kCmdAnswerStrokes = 32793, // the answer's strokes over the writing
    kCmdErase = 57632,
    kCmdExit = 57665,
    kCmdHelpIndex = 57666,
};

// Control ids.
enum ControlId : int {
    kIdOk = 1,
    kIdCancel = 2,
    kIdHelp = 9,
    // The main bar; the mode prompt and the action dialog use the mode
    // buttons' and the web search's ids for theirs.
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
    // The lists of the search bar and the history.
    kIdItemList = 1017,
    // The options dialog.
    kIdHyogaiRed = 1018,
    kIdClearFirst = 1019, // to 1022: the modes Known to NoLearn in button order
    kIdClearCounts = 1023,
    kIdFontFace = 1024,
    kIdStrokeWidth = 1025,
    kIdFrequency = 1026,
    kIdPreferredKanji = 1027,
    kIdQAMode = 1028,
    kIdNoUnspec = 1029,
    kIdSearchUrl = 1030,
    kIdAboutButton = 1031,
    kIdFontPoint = 1034,
    kIdFontPointSpin = 1035,
    kIdClearHistory = 1047,
    kIdOwnLists = 1060, // the word lists, the export and the restore
    kIdExportData = 1061,
    kIdRestoreData = 1062,
    kIdDataFolder = 1063, // where the study data is kept
    // The about dialog.
    kIdQuestionCount = 1032,
    kIdKanjiCount = 1033,
    kIdVersion = 1048,
    // The search bar and the history.
    kIdSearchText = 1036,
    kIdActionCombo = 1037,
    kIdFilterFirst = 1038, // to 1042, in button order
    kIdSearchStatus = 1043,
    kIdExecute = 1044,
    kIdCloseSearch = 1046,
    // The action dialog.
    kIdStartDictation = 1045,
    // The study-state dialog.
    kIdChart = 1049,
    // The options dialog: the writing check's strictness, beyond the
    // template's controls.
    kIdCheckStrictness = 1050,
    // Reviews: the options' question choice and reset, and the lists'
    // filter that shows only leeches.
    kIdReviewFirst = 1070,
    kIdForgetReviews = 1071,
    kIdForgetScope = 1072,
    kIdLeechFilter = 1073,
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
    kTemplateAbout = 100,
    kTemplateMainBar = 130,
    kTemplatePanel = 131,
    kTemplateOptions = 132,
    kTemplateHistory = 133,
    kTemplateSearchBar = 134,
    kTemplateAction = 135,
    kTemplateModeSelect = 172,
    kTemplateStudyState = 173,
};

// Pictures.
enum PictureId : int {
    kPictureProgramIcon = 128,
    kPictureHistoryIcon = 140, // the dialogs' icon
    // A chosen mode button and a chosen filter button, per mode but 指定なし
    // (which shows Known's), then the two not chosen.
    kPictureModeKnown = 150,
    kPictureFilterKnown = 151,
    kPictureModeLearned = 152,
    kPictureFilterLearned = 153,
    kPictureModeLearning = 154,
    kPictureFilterLearning = 155,
    kPictureModeNoLearn = 156,
    kPictureFilterNoLearn = 157,
    kPictureModeOff = 158,
    kPictureFilterOff = 159,
    // The squares of the lists, Known to NoLearn.
    kPictureSquareKnown = 160,
    kPictureSquareLearned = 161,
    kPictureSquareLearning = 162,
    kPictureSquareNoLearn = 163,
    kPictureListMarker = 164,
    kPictureSearchBar = 165,
    kPictureOptions = 166,
    kPictureHelp = 167,
    kPictureSwap = 168,
    kPictureExit = 170,
    kPictureChartBar = 174,
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
