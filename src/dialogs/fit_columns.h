#pragma once

class QHeaderView;
class QAbstractItemView;

// Columns of a list dialog sized to what they hold, whatever the desktop's font, as the rows and
// the room change: every column as wide as its header and cells, one of them (the last when
// aStretch is negative) taking the rest of the row. When the row is too narrow for all, the widest
// columns give way first. A cell that still does not fit shows its whole text as a tooltip.
void FitColumnsToContents(QAbstractItemView* aView, QHeaderView* aHeader, int aStretch = -1);
