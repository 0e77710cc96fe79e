#include "platform/sim/key_tip_letters.hpp"

#include <array>

namespace corvane::platform::sim {
namespace {

struct Letters {
  std::string_view tab;
  std::string_view label;
  std::string_view keyTip;
};

struct TabLetter {
  std::string_view title;
  std::string_view keyTip;
};

// Excel for Windows' tab letters.
constexpr std::array kTabs{
    TabLetter{"Home", "H"}, TabLetter{"Insert", "N"}, TabLetter{"Page Layout", "P"}, TabLetter{"Formulas", "M"},
    TabLetter{"Data", "A"}, TabLetter{"Review", "R"}, TabLetter{"View", "W"},        TabLetter{"File", "F"},
    TabLetter{"Automate", "U"},
};

// The letters after a tab's letter that reach a control on the tab itself (not an item inside one
// of its menus: dropdown menus get no KeyTips on the Mac), for the controls the fixtures name.
constexpr std::array kControls{
    Letters{"Home", "Paste", "V"},
    Letters{"Home", "Cut", "X"},
    Letters{"Home", "Copy", "C"},
    Letters{"Home", "Format Painter", "FP"},
    Letters{"Home", "Font", "FF"},
    Letters{"Home", "Font Size", "FS"},
    Letters{"Home", "Increase Font Size", "FG"},
    Letters{"Home", "Decrease Font Size", "FK"},
    Letters{"Home", "Bold", "1"},
    Letters{"Home", "Italic", "2"},
    Letters{"Home", "Underline", "3"},
    Letters{"Home", "Borders", "B"},
    Letters{"Home", "Fill Color", "H"},
    Letters{"Home", "Font Color", "FC"},
    Letters{"Home", "Font Settings", "FN"},
    Letters{"Home", "Top Align", "AT"},
    Letters{"Home", "Middle Align", "AM"},
    Letters{"Home", "Bottom Align", "AB"},
    Letters{"Home", "Orientation", "FQ"},
    Letters{"Home", "Align Left", "AL"},
    Letters{"Home", "Center", "AC"},
    Letters{"Home", "Align Right", "AR"},
    Letters{"Home", "Decrease Indent", "5"},
    Letters{"Home", "Increase Indent", "6"},
    Letters{"Home", "Wrap Text", "W"},
    Letters{"Home", "Merge & Center", "M"},
    Letters{"Home", "Number Format", "N"},
    Letters{"Home", "Number Format Settings", "FM"},
    Letters{"Home", "Accounting Number Format", "AN"},
    Letters{"Home", "Percent Style", "P"},
    Letters{"Home", "Comma Style", "K"},
    Letters{"Home", "Increase Decimal", "0"},
    Letters{"Home", "Decrease Decimal", "9"},
    Letters{"Home", "Conditional Formatting", "L"},
    Letters{"Home", "Format as Table", "T"},
    Letters{"Home", "Cell Styles", "J"},
    Letters{"Home", "Insert", "I"},
    Letters{"Home", "Delete", "D"},
    Letters{"Home", "Format", "O"},
    Letters{"Home", "AutoSum", "U"},
    Letters{"Home", "Fill", "FI"},
    Letters{"Home", "Clear", "E"},
    Letters{"Home", "Sort & Filter", "S"},
    Letters{"Home", "Find & Select", "FD"},
    Letters{"Insert", "PivotTable", "V"},
    Letters{"Insert", "Recommended PivotTables", "SP"},
    Letters{"Insert", "Table", "T"},
    Letters{"Insert", "Shapes", "SH"},
    Letters{"Insert", "SmartArt", "M"},
    Letters{"Insert", "Recommended Charts", "R"},
    Letters{"Insert", "Insert Line or Area Chart", "N1"},
    Letters{"Insert", "Insert Pie or Doughnut Chart", "Q"},
    Letters{"Insert", "Insert Hierarchy Chart", "HI"},
    Letters{"Insert", "Insert Statistic Chart", "SA"},
    Letters{"Insert", "Insert Combo Chart", "SD"},
    Letters{"Insert", "Line", "SL"},
    Letters{"Insert", "Win/Loss", "SW"},
    Letters{"Insert", "Slicer", "SF"},
    Letters{"Insert", "Link", "I"},
    Letters{"Insert", "Text Box", "X"},
    Letters{"Insert", "Header & Footer", "H"},
    Letters{"Insert", "WordArt", "W"},
    Letters{"Insert", "Equation", "E"},
    Letters{"Insert", "Symbol", "U"},
    Letters{"Page Layout", "Themes", "TH"},
    Letters{"Page Layout", "Colors", "TC"},
    Letters{"Page Layout", "Fonts", "TF"},
    Letters{"Page Layout", "Effects", "TE"},
    Letters{"Page Layout", "Margins", "M"},
    Letters{"Page Layout", "Orientation", "O"},
    Letters{"Page Layout", "Size", "SZ"},
    Letters{"Page Layout", "Print Area", "R"},
    Letters{"Page Layout", "Breaks", "B"},
    Letters{"Page Layout", "Background", "G"},
    Letters{"Page Layout", "Print Titles", "I"},
    Letters{"Page Layout", "Page Setup", "SP"},
    Letters{"Page Layout", "Width", "W"},
    Letters{"Page Layout", "Height", "H"},
    Letters{"Page Layout", "Scale", "SC"},
    Letters{"Page Layout", "Selection Pane", "AP"},
    Letters{"Formulas", "Insert Function", "F"},
    Letters{"Formulas", "Financial", "I"},
    Letters{"Formulas", "Logical", "L"},
    Letters{"Formulas", "Text", "T"},
    Letters{"Formulas", "Lookup & Reference", "O"},
    Letters{"Formulas", "Math & Trig", "G"},
    Letters{"Formulas", "More Functions", "Q"},
    Letters{"Formulas", "Create from Selection", "C"},
    Letters{"Formulas", "Name Manager", "N"},
    Letters{"Formulas", "Trace Precedents", "P"},
    Letters{"Formulas", "Trace Dependents", "D"},
    Letters{"Formulas", "Show Formulas", "H"},
    Letters{"Formulas", "Error Checking", "K"},
    Letters{"Formulas", "Evaluate Formula", "V"},
    Letters{"Formulas", "Watch Window", "W"},
    Letters{"Formulas", "Calculation Options", "X"},
    Letters{"Data", "Queries & Connections", "O"},
    Letters{"Data", "Sort A to Z", "SA"},
    Letters{"Data", "Sort Z to A", "SD"},
    Letters{"Data", "Sort", "SS"},
    Letters{"Data", "Filter", "T"},
    Letters{"Data", "Clear", "C"},
    Letters{"Data", "Reapply", "Y"},
    Letters{"Data", "Advanced", "Q"},
    Letters{"Data", "Text to Columns", "E"},
    Letters{"Data", "Remove Duplicates", "M"},
    Letters{"Data", "Consolidate", "N"},
    Letters{"Data", "What-If Analysis", "W"},
    Letters{"Data", "Subtotal", "B"},
    Letters{"Data", "Show Detail", "J"},
    Letters{"Data", "Hide Detail", "H"},
    Letters{"Review", "Spelling", "S"},
    Letters{"Review", "Check Accessibility", "A"},
    Letters{"Review", "New Comment", "C"},
    Letters{"Review", "Delete", "D"},
    Letters{"Review", "Previous Comment", "V"},
    Letters{"Review", "Next Comment", "N"},
    Letters{"Review", "Protect Sheet", "PS"},
    Letters{"Review", "Protect Workbook", "PW"},
    Letters{"View", "Normal", "L"},
    Letters{"View", "Page Break Preview", "I"},
    Letters{"View", "Page Layout", "P"},
    Letters{"View", "Custom Views", "C"},
    Letters{"View", "Formula Bar", "VF"},
    Letters{"View", "Gridlines", "VG"},
    Letters{"View", "Headings", "VH"},
    Letters{"View", "Zoom", "Q"},
    Letters{"View", "100%", "J"},
    Letters{"View", "Zoom to Selection", "G"},
    Letters{"View", "New Window", "N"},
    Letters{"View", "Arrange All", "A"},
    Letters{"View", "Freeze Panes", "F"},
    Letters{"View", "Split", "S"},
    Letters{"View", "Hide", "H"},
    Letters{"View", "Unhide", "U"},
    Letters{"View", "Macros", "M"},
};

}  // namespace

std::optional<std::string> tabKeyTip(std::string_view tab) {
  for (const auto& entry : kTabs) {
    if (entry.title == tab) return std::string(entry.keyTip);
  }
  return std::nullopt;
}

std::optional<std::string> controlKeyTip(std::string_view tab, std::string_view label) {
  if (label.ends_with(':')) label.remove_suffix(1);
  for (const auto& entry : kControls) {
    if (entry.tab == tab && entry.label == label) return std::string(entry.keyTip);
  }
  return std::nullopt;
}

}  // namespace corvane::platform::sim
