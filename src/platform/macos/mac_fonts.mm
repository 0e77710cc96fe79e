#include "platform/macos/mac_fonts.hpp"

#import <AppKit/AppKit.h>

namespace corvane::platform::macos {

NSFont* systemFont(double pointSize, FontWeight weight) {
  NSFontWeight appKitWeight = NSFontWeightRegular;
  switch (weight) {
    case FontWeight::regular: appKitWeight = NSFontWeightRegular; break;
    case FontWeight::medium: appKitWeight = NSFontWeightMedium; break;
    case FontWeight::semibold: appKitWeight = NSFontWeightSemibold; break;
    case FontWeight::bold: appKitWeight = NSFontWeightBold; break;
  }
  return [NSFont systemFontOfSize:pointSize weight:appKitWeight];
}

}  // namespace corvane::platform::macos
