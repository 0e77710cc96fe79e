#include "feedback/excel_key_tips.hpp"

#include "excel/ax_names.hpp"

namespace corvane::feedback {

namespace ax = excel::ax;

bool excelKeyTipsShowing(const excel::ExcelApp& excel) {
  auto children = excel.children(excel.application());
  if (children.size() > kExcelKeyTipsChildLimit) children.resize(kExcelKeyTipsChildLimit);
  for (const auto& child : children) {
    if (excel.stopped()) return false;
    if (excel.role(child) == ax::kStaticText) return true;
  }
  return false;
}

bool excelInFront(const excel::ExcelApp& excel) {
  return excel.boolean(excel.application(), ax::kFrontmost).value_or(false);
}

bool leaveExcelKeyTips(const excel::ExcelApp& excel) {
  if (!excelInFront(excel)) return false;
  for (int escape = 0; escape < kExcelKeyTipsEscapes; ++escape) {
    excel.postEscape();
    double deadline = excel.clock().uptime() + kExcelKeyTipsLeaveWait;
    while (true) {
      if (!excelKeyTipsShowing(excel)) return !excel.stopped();
      if (excel.clock().uptime() >= deadline || !excel.pause(kExcelKeyTipsPoll)) break;
    }
    if (excel.stopped()) return false;
  }
  return false;
}

}  // namespace corvane::feedback
