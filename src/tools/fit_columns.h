#pragma once

class QHeaderView;
class QAbstractItemView;

// Columns of a list dialog sized to what they hold, whatever the desktop's font: every column as
// wide as its header and cells, the last one taking the rest of the row. A cell that still does
// not fit shows its whole text as a tooltip.
void FitColumnsToContents(QAbstractItemView* aView, QHeaderView* aHeader);
