// The report list view: columns with captions, widths and alignment; rows of a caption and
// sub-items. Read-only (no label editing) and whole-row selection unless switched off.
#pragma once

#include "ui/Control.h"

#include <vector>

namespace hivelet::ui {

struct ListColumn {
    std::string caption;
    int width = 50;
    ui::Alignment alignment = ui::Alignment::Left;
};

struct ListItem {
    std::string caption;
    std::vector<std::string> subItems;
};

class TListView : public Control {
public:
    HIVELET_UI_KIND(TListView, Control)
    using Control::Control;
    bool CanFocus() const override { return true; }

    // Columns.
    size_t ColumnCount() const { return columns_.size(); }
    const ListColumn& Column(size_t i) const { return columns_.at(i); }
    void AddColumn(std::string caption, int width, ui::Alignment a = ui::Alignment::Left);
    void SetColumnCaption(size_t i, std::string caption);

    // Rows.
    size_t ItemCount() const { return items_.size(); }
    const ListItem& Item(size_t i) const { return items_.at(i); }
    // Adds a row and returns its index.
    size_t AddItem(std::string caption, std::vector<std::string> subItems = {});
    // Sets sub-item `sub` (0 = the second column) of a row; the row grows as needed.
    void SetSubItem(size_t row, size_t sub, std::string text);
    void ClearItems();

    bool GridLines() const { return gridLines_; }
    void SetGridLines(bool on);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool on);
    bool RowSelect() const { return rowSelect_; }
    void SetRowSelect(bool on);

    // Which row changed last (for the backend's Prop::Items update); npos = all rows.
    static constexpr size_t npos = size_t(-1);
    size_t LastChangedRow() const { return lastChangedRow_; }

private:
    void RowChanged(size_t row);

    std::vector<ListColumn> columns_;
    std::vector<ListItem> items_;
    bool gridLines_ = false;
    bool readOnly_ = true;
    bool rowSelect_ = true;
    size_t lastChangedRow_ = npos;
};

} // namespace hivelet::ui
