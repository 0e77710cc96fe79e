#pragma once
// Attribute, role and action names of the accessibility interface that the lookup reads.

#include <string_view>

namespace corvane::excel::ax {

inline constexpr std::string_view kRole = "AXRole";
inline constexpr std::string_view kSubrole = "AXSubrole";
inline constexpr std::string_view kTitle = "AXTitle";
inline constexpr std::string_view kDescription = "AXDescription";
inline constexpr std::string_view kHelp = "AXHelp";
inline constexpr std::string_view kIdentifier = "AXIdentifier";
inline constexpr std::string_view kValue = "AXValue";
inline constexpr std::string_view kEnabled = "AXEnabled";
inline constexpr std::string_view kChildren = "AXChildren";
inline constexpr std::string_view kParent = "AXParent";
inline constexpr std::string_view kPosition = "AXPosition";
inline constexpr std::string_view kSize = "AXSize";
inline constexpr std::string_view kWindows = "AXWindows";
inline constexpr std::string_view kMainWindow = "AXMainWindow";
inline constexpr std::string_view kFocusedWindow = "AXFocusedWindow";
inline constexpr std::string_view kMain = "AXMain";
inline constexpr std::string_view kFrontmost = "AXFrontmost";
inline constexpr std::string_view kMenuBar = "AXMenuBar";
inline constexpr std::string_view kMenuItemCmdChar = "AXMenuItemCmdChar";
inline constexpr std::string_view kMenuItemCmdModifiers = "AXMenuItemCmdModifiers";
inline constexpr std::string_view kFocused = "AXFocused";
inline constexpr std::string_view kSelectedTextRange = "AXSelectedTextRange";

inline constexpr std::string_view kWindowRole = "AXWindow";
inline constexpr std::string_view kSheet = "AXSheet";
inline constexpr std::string_view kTabGroup = "AXTabGroup";
inline constexpr std::string_view kRadioButton = "AXRadioButton";
inline constexpr std::string_view kScrollArea = "AXScrollArea";
inline constexpr std::string_view kToolbar = "AXToolbar";
inline constexpr std::string_view kGroup = "AXGroup";
inline constexpr std::string_view kStaticText = "AXStaticText";
inline constexpr std::string_view kMenuBarRole = "AXMenuBar";
inline constexpr std::string_view kMenu = "AXMenu";
inline constexpr std::string_view kMenuItem = "AXMenuItem";
inline constexpr std::string_view kButton = "AXButton";
inline constexpr std::string_view kMenuButton = "AXMenuButton";
inline constexpr std::string_view kPopUpButton = "AXPopUpButton";
inline constexpr std::string_view kCheckBox = "AXCheckBox";
inline constexpr std::string_view kComboBox = "AXComboBox";
inline constexpr std::string_view kToggle = "AXToggle";
inline constexpr std::string_view kTab = "AXTab";
inline constexpr std::string_view kCell = "AXCell";
inline constexpr std::string_view kStandardWindow = "AXStandardWindow";
inline constexpr std::string_view kUnknownSubrole = "AXUnknown";  ///< a dropdown's or folded group's popup window
/// The role a scan gives a scroll area whose help is "gallery".
inline constexpr std::string_view kGallery = "Gallery";

inline constexpr std::string_view kPress = "AXPress";
inline constexpr std::string_view kShowMenu = "AXShowMenu";

inline constexpr std::string_view kRibbonDescription = "ribbon";
inline constexpr std::string_view kDocumentTitleIdentifier = "CUIDocumentShellWindowTitleLabel";
/// Excel's start window, "Open new and recent files", shown when no workbook is open.
inline constexpr std::string_view kStartWindowIdentifier = "DocStage";

}  // namespace corvane::excel::ax
