// Finding a category in the list.
#include "collectors/categories.h"

namespace sysinfo {

std::optional<std::size_t> FindCategory(std::string_view text) {
  for (std::size_t i = 0; i < kCategoryCount; ++i) {
    if (kCategoryList[i]->text == text) return i;
  }
  return std::nullopt;
}

}  // namespace sysinfo
