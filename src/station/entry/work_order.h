// The start-up work-order dialog's texts ([Setting] EnableWorkOrder): the
// work order, part number and week code the production log and the window
// caption carry.
#pragma once

#include <string>

namespace qx::station {

struct WorkOrderTexts {
    std::string number;       // WorkOrderNumber
    std::string partNumber;   // WorkOrderPartNumber
    std::string weekCode;     // WorkOrderWeekCode
};

inline constexpr char kWorkOrderInputError[] = "Input error";

// Start accepts only when none of the three is empty; the main window ends
// the program when the dialog leaves any of them empty.
inline bool WorkOrderComplete(const WorkOrderTexts& t) {
    return !t.number.empty() && !t.partNumber.empty() && !t.weekCode.empty();
}

}  // namespace qx::station
