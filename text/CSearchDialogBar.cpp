#include "text/CSearchDialogBar.h"

#include "platform/DialogUnits.h"

CSearchDialogBar::CSearchDialogBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("59398"));
    setFont(GetDialogFont(QStringLiteral("MS Shell Dlg"), 8));
    setAutoFillBackground(true);
}

CSearchDialogBar::~CSearchDialogBar() = default;

QSize CSearchDialogBar::sizeHint() const
{
    return MapDialogRect(this, QRect(0, 0, 194, 212)).size();
}

void CSearchDialogBar::InitBar() {}

void CSearchDialogBar::ToggleModeFilter(int /*commandId*/) {}

void CSearchDialogBar::ExecuteAction() {}

int CSearchDialogBar::FindRowOfItem(int /*itemIndex*/) const
{
    return -1;
}

void CSearchDialogBar::InvalidateListRow(int /*row*/) {}

bool CSearchDialogBar::OnCmdMsg(int id)
{
    if (id >= 32785 && id <= 32789) {
        ToggleModeFilter(id);
        return true;
    }
    if (id == 32790) {
        ExecuteAction();
        return true;
    }
    return false;
}
