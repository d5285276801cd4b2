// The step and error items: every production step and every failure the
// station reports is one of 88 numbered items. The number is what a port
// record keeps; the code is what the port panel shows, the failure text what
// dialogs and logs show, the step name the caption of the step, and the log
// column the heading of the step's column in the production log.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "qxlib/error_items/item_numbers.h"

namespace qx {

inline constexpr int kErrorItemCount = item::kCheckPpidLength + 1;

// Texts are zero-terminated within their fields.
struct ErrorItem {
    std::uint16_t Number;
    char CodeText[4];
    char FailText[32];
    char StepName[32];
    char LogColumn[16];   // items 1..39 end with the column separator, a tab
};

extern const std::array<ErrorItem, kErrorItemCount> ErrorItemTable;

// Looked up by number; nullptr for a number that is no item.
const ErrorItem* FindErrorItem(int number);

// The item's texts; empty for a number that is no item.
std::string_view ErrorItemCode(int number);
std::string_view ErrorItemFailText(int number);
std::string_view ErrorItemStepName(int number);
std::string_view ErrorItemLogColumn(int number);

}  // namespace qx
