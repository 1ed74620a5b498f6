#pragma once

class QWidget;

// Templates size captions for the fonts they were drawn with; a wider font
// (Noto Sans CJK JP's kana and kanji take more dialog units than the Latin
// letters the units come from) clips them. Widens every label, check box and
// radio button of `container` whose caption does not fit, into the free
// room to its right: up to the next control on its row, or the container's
// right margin. A group box framing the control widens with it when it has
// room. Positions, heights and every other control stay as they are.
void FitCaptionWidths(QWidget* container);
