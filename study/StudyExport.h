#pragma once

#include "study/StudyArchive.h"

class CDictionary;

// Everything the learner owns, from the study data and the settings of the
// "Settings" section: each item, history record and list named by its list
// and text, so that it can be restored into other word lists.
StudyArchive ExportStudyState(CDictionary& dic);
