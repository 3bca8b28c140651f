#include "shell/Console.h"

#include <algorithm>
#include <cstdio>

namespace hivelet::shell {

namespace {

std::string PadRight(const std::string& s, size_t width) {
    return s.size() >= width ? s : s + std::string(width - s.size(), ' ');
}

std::string PadLeft(const std::string& s, size_t width) {
    return s.size() >= width ? s : std::string(width - s.size(), ' ') + s;
}

} // namespace

std::string HiveListReport(const std::vector<std::string>& hiveNames,
                           const std::vector<std::string>& hiveFiles) {
    std::string out;
    if (hiveNames.empty()) {
        out += "No hive of this system can be compacted.\n";
    } else {
        size_t width = 0;
        for (const std::string& name : hiveNames)
            width = std::max(width, name.size());
        for (size_t i = 0; i < hiveNames.size(); ++i)
            out += PadRight(hiveNames[i], width) + "  " +
                   (i < hiveFiles.size() ? hiveFiles[i] : std::string()) + "\n";
    }
    out += "Run with /Scan [RESULTFILE] to analyse the hives, or with /Silent to analyse and "
           "compact them.\n";
    return out;
}

std::string AnalysisReport(const TfrmMain& form, const std::vector<std::string>& rowNotes) {
    const ui::TListView& lv = *form.lvMain;
    std::vector<size_t> widths(lv.ColumnCount(), 0);
    auto cell = [&](size_t row, size_t column) -> std::string {
        const ui::ListItem& item = lv.Item(row);
        if (column == 0)
            return item.caption;
        return column - 1 < item.subItems.size() ? item.subItems[column - 1] : std::string();
    };
    for (size_t c = 0; c < lv.ColumnCount(); ++c) {
        widths[c] = lv.Column(c).caption.size();
        for (size_t r = 0; r < lv.ItemCount(); ++r)
            widths[c] = std::max(widths[c], cell(r, c).size());
    }
    auto line = [&](auto text) {
        std::string out;
        for (size_t c = 0; c < lv.ColumnCount(); ++c) {
            const bool right = lv.Column(c).alignment == ui::Alignment::Right;
            out += (c ? "  " : "") +
                   (right ? PadLeft(text(c), widths[c]) : PadRight(text(c), widths[c]));
        }
        while (!out.empty() && out.back() == ' ')
            out.pop_back();
        return out + "\n";
    };
    std::string out = line([&](size_t c) { return lv.Column(c).caption; });
    for (size_t r = 0; r < lv.ItemCount(); ++r) {
        out += line([&](size_t c) { return cell(r, c); });
        if (r < rowNotes.size() && !rowNotes[r].empty()) {
            out.back() = ' ';
            out += " (" + rowNotes[r] + ")\n";
        }
    }

    const std::pair<const ui::TLabel*, const ui::TLabel*> totals[] = {
        {form.lLastWashed, form.lCurrentRegistrySize},
        {form.Label4, form.lNewRegistrySize},
        {form.Label5, form.lSizeReduction},
        {form.lCompactPercent1, form.lCompactPercent},
    };
    size_t width = 0;
    for (const auto& [title, value] : totals)
        width = std::max(width, title->Caption().size());
    out += "\n";
    for (const auto& [title, value] : totals) {
        std::string row = PadRight(title->Caption(), width) + " " + value->Caption();
        while (!row.empty() && row.back() == ' ')
            row.pop_back();
        out += row + "\n";
    }
    return out;
}

int DefaultMessageBoxAnswer(uint32_t flags) {
    // Buttons of each MB_ kind, in order; MB_DEFBUTTONn picks the n-th (the first when there is
    // no such button).
    static const std::vector<int> buttons[] = {
        {ui::mrOk},                          // MB_OK
        {ui::mrOk, ui::mrCancel},            // MB_OKCANCEL
        {3, 4, 5},                           // MB_ABORTRETRYIGNORE
        {ui::mrYes, ui::mrNo, ui::mrCancel}, // MB_YESNOCANCEL
        {ui::mrYes, ui::mrNo},               // MB_YESNO
        {4, ui::mrCancel},                   // MB_RETRYCANCEL
        {ui::mrCancel, 10, 11},              // MB_CANCELTRYCONTINUE
    };
    const uint32_t kind = flags & ui::mb::ButtonsMask;
    if (kind >= std::size(buttons))
        return ui::mrOk;
    const std::vector<int>& list = buttons[kind];
    const size_t index = (flags & ui::mb::DefButtonMask) >> 8;
    return list[index < list.size() ? index : 0];
}

std::string MessageBoxLine(const std::string& caption, const std::string& text) {
    std::string flat;
    for (char c : text) {
        if (c == '\r')
            continue;
        if (c == '\n') {
            if (!flat.empty() && flat.back() != ' ')
                flat += ' ';
            continue;
        }
        flat += c;
    }
    return caption + ": " + flat;
}

} // namespace hivelet::shell
