#pragma once

#include "platform/Options.h"
#include "study/DrillOptions.h"

// The drill's options as the settings hold them, read again at every call.
class StoredDrillOptions final : public DrillOptions {
public:
    bool ReverseAsking() const override { return Options::ReverseAsking(); }
    bool ShowHyogaiInRed() const override { return Options::ShowHyogaiInRed(); }
    bool RequireMode() const override { return Options::RequireMode(); }
    int PreferredKanji() const override { return Options::PreferredKanji(); }
    bool ClearHistoryOnExit() const override { return Options::ClearHistoryOnExit(); }
    bool ReviewsFirst() const override { return Options::ReviewFirst(); }
};
