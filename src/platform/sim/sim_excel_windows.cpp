// Dialogs opening and closing, and windows moved or resized. Called with SimExcel's lock held.

#include <algorithm>

#include "platform/sim/fixture_layout.hpp"
#include "platform/sim/sim_excel.hpp"

namespace corvane::platform::sim {
namespace {

void shift(SimNode& node, double dx, double dy) {
  if (node.frame) {
    node.frame->x += dx;
    node.frame->y += dy;
  }
  for (auto& child : node.children) shift(*child, dx, dy);
}

}  // namespace

void SimExcel::scheduleDialog(const std::string& name) {
  auto it = fixture_->dialogs.find(name);
  if (it == fixture_->dialogs.end()) return;
  later(it->second.delay, [this, name] { openDialog(name); });
}

void SimExcel::openDialog(const std::string& name) {
  auto it = fixture_->dialogs.find(name);
  if (it == fixture_->dialogs.end() || !app_) return;
  const FixtureDialog& d = it->second;
  auto workbook = windows_.empty() ? nullptr : windows_.front();
  bool sheet = d.kind == DialogKind::sheet && workbook != nullptr;
  auto node = makeNode(NodeKind::dialog, Area::dialog, &d.node, sheet ? workbook : app_);
  node->dialog = &d;
  node->role = sheet ? "AXSheet" : "AXWindow";
  if (!sheet && node->subrole.empty()) node->subrole = "AXDialog";
  for (const auto& c : d.node.children) node->children.push_back(instantiate(c, node, Area::dialog, NodeKind::element));
  Size screen = application().screen;
  Rect base = workbook && workbook->frame ? *workbook->frame : Rect{0, layout::kMenuBarHeight, screen.width, screen.height};
  double x = base.midX() - d.size.width / 2;
  Rect frame = sheet ? Rect{x, base.y + layout::kTitleBarHeight, d.size.width, d.size.height}
                     : Rect{x, base.y + 80, d.size.width, d.size.height};
  layout::layoutDialog(*node, frame);
  hideKeyTips();
  if (sheet) workbook->children.push_back(node);
  dialogs_.push_back(node);
  refreshApplicationChildren();
  record(ExcelEvent::Kind::dialogOpened, d.name);
}

void SimExcel::closeDialog(const NodePtr& dialog) {
  std::string name = dialog->dialog != nullptr ? dialog->dialog->name : dialog->title;
  detach(dialog);
  record(ExcelEvent::Kind::dialogClosed, name);
}

AXError SimExcel::moveWindow(const NodePtr& window, Point origin) {
  if (!window->frame) return ax::kCannotComplete;
  double dx = origin.x - window->frame->x;
  double dy = origin.y - window->frame->y;
  shift(*window, dx, dy);
  return ax::kSuccess;
}

AXError SimExcel::resizeWindow(const NodePtr& window, Size size) {
  if (!window->frame) return ax::kCannotComplete;
  // Excel keeps its windows above a minimum size.
  window->frame->width = std::max(size.width, 500.0);
  window->frame->height = std::max(size.height, 300.0);
  relayout(window);
  return ax::kSuccess;
}

}  // namespace corvane::platform::sim
