#pragma once
// The Excel layer's lookups and actions in one include: the workbook window, the ribbon's tabs and
// commands, locating a control and running a ribbon step, the dropdown walk, presses with their
// click fallback, and menus and popups.

#include "excel/control_lookup.hpp"
#include "excel/dropdown_walk.hpp"
#include "excel/popups_and_menus.hpp"
#include "excel/press_and_click.hpp"
#include "excel/ribbon_tabs.hpp"
#include "excel/workbook_window.hpp"
