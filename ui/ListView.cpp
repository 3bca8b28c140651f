#include "ui/ListView.h"

namespace hivelet::ui {

void TListView::AddColumn(std::string caption, int width, ui::Alignment a) {
    columns_.push_back(ListColumn{std::move(caption), width, a});
    Changed(Prop::Columns);
}

void TListView::SetColumnCaption(size_t i, std::string caption) {
    columns_.at(i).caption = std::move(caption);
    Changed(Prop::Columns);
}

size_t TListView::AddItem(std::string caption, std::vector<std::string> subItems) {
    items_.push_back(ListItem{std::move(caption), std::move(subItems)});
    RowChanged(items_.size() - 1);
    return items_.size() - 1;
}

void TListView::SetSubItem(size_t row, size_t sub, std::string text) {
    ListItem& item = items_.at(row);
    if (item.subItems.size() <= sub)
        item.subItems.resize(sub + 1);
    item.subItems[sub] = std::move(text);
    RowChanged(row);
}

void TListView::ClearItems() {
    items_.clear();
    RowChanged(npos);
}

void TListView::RowChanged(size_t row) {
    lastChangedRow_ = row;
    Changed(Prop::Items);
}

void TListView::SetGridLines(bool on) {
    if (on == gridLines_)
        return;
    gridLines_ = on;
    Changed(Prop::GridLines);
}

void TListView::SetReadOnly(bool on) {
    if (on == readOnly_)
        return;
    readOnly_ = on;
    Changed(Prop::Style);
}

void TListView::SetRowSelect(bool on) {
    if (on == rowSelect_)
        return;
    rowSelect_ = on;
    Changed(Prop::Style);
}

} // namespace hivelet::ui
