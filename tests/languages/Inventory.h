// The keys that Hivelet's windows read from a language file, section by section, in reading order.
// Every shipped language file holds exactly these keys; the English file is checked against this
// list too, so a key dropped from it is noticed.
#pragma once

#include <string_view>
#include <vector>

namespace hivelet::languages {

struct InventorySection {
    std::string_view name;
    std::vector<std::string_view> keys;
};

inline const std::vector<InventorySection>& Inventory() {
    static const std::vector<InventorySection> sections = {
        {"frmMain", {"frmMain",          "lTitle1",
                     "bAnalyzeRegistry", "bAnalyzeRegistryHint",
                     "bDefragRegistry",  "bDefragRegistryHint",
                     "bOptions",         "bOptionsHint",
                     "Label1",           "Label3",
                     "Label2",           "lTitle3",
                     "bLanguage",        "bLanguageHint",
                     "bAbout",           "bAboutHint",
                     "bHomepage",        "bHomepageHint",
                     "lLastWashed",      "Label4",
                     "Label5",           "lCurrentRegistrySize",
                     "lNewRegistrySize", "lSizeReduction",
                     "lCompactPercent1", "lCompactPercent",
                     "suiURLLabel1",     "bCloseHint",
                     "Label6",           "bExit",
                     "bExitHint",        "lTitle",
                     "lvMain_Column0",   "lvMain_Column1",
                     "lvMain_Column2",   "lvMain_Column3",
                     "bMinimizeHint"}},
        {"Menu_frmMain", {"pmiHelp",     "Homepage1", "pmiCheckUpdate",
                          "About1",      "miArabic",  "miBrazilianPortuguese",
                          "miChinese",   "miCzech",   "miDanish",
                          "miDutch",     "miEnglish", "miFinnish",
                          "miFrench",    "miGerman",  "miGreek",
                          "miHungarian", "miItalian", "miJapanese",
                          "miKurdish",   "miPolish",  "miPortuguese",
                          "miRussian",   "miSerbian", "miSlovenian",
                          "miSpanish",   "miSwedish", "miTurkish",
                          "miUkranian",  "miOther"}},
        {"frmGetNewHiveProgess",
         {"frmGetNewHiveProgess", "bStop", "GroupBox1", "Label1", "Label2"}},
        {"frmOptions",
         {"frmOptions", "GroupBox2", "cbAskBeforeDefrag", "cbShowLines", "cbCreateRestore",
          "cbCreateRestoreHint", "bOK", "bCancel"}},
        {"frmSystemPoint",
         {"frmSystemPoint", "suiGroupBox1", "lScanTask", "Label1", "Label2", "Label3"}},
        {"frmAskDelete",
         {"frmAskDelete", "Label2", "Label3", "cbAsk", "GroupBox1", "Label1", "bOK", "bCancel",
          "Panel2"}},
        {"frmAbout",
         {"frmAbout", "Label1", "lCopywrite", "Label3", "lbEAddress", "Label2", "Panel2", "bOK"}},
        {"ResourceString", {"RES_Not_Found", "RES_Analyze_NoSuccess"}},
    };
    return sections;
}

// The languages of the language menu, in its order (the item names without "mi"), and "Other".
inline const std::vector<std::string_view>& MenuLanguages() {
    static const std::vector<std::string_view> names = {"Arabic",     "BrazilianPortuguese",
                                                        "Chinese",    "Czech",
                                                        "Danish",     "Dutch",
                                                        "English",    "Finnish",
                                                        "French",     "German",
                                                        "Greek",      "Hungarian",
                                                        "Italian",    "Japanese",
                                                        "Kurdish",    "Polish",
                                                        "Portuguese", "Russian",
                                                        "Serbian",    "Slovenian",
                                                        "Spanish",    "Swedish",
                                                        "Turkish",    "Ukranian",
                                                        "Other"};
    return names;
}

} // namespace hivelet::languages
