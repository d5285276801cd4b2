// The test-item check list of the "Test Items" page: which steps appear,
// their check marks against the record's step enables (Preformat needs
// Download), and the option page each step shows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qx {
struct GlobalParameter;
}

namespace qx::station {

struct TestItemRow {
    std::string Text;   // the step name of the row's error item
    bool Checked = false;
};

// The rows present for the record, in list order, checked from its enables.
std::vector<TestItemRow> BuildTestItemRows(const GlobalParameter& settings);

// Takes the rows' check marks into the record's step enables, row by row;
// "Download" stays checked while "Preformat" is enabled, and its row's mark
// is set to what was stored.
void TakeTestItemChecks(std::vector<TestItemRow>& rows, GlobalParameter& settings);

// The caption of the option page a step shows; empty for a step without one.
std::string_view OptionPageOfStep(std::string_view stepText);

// The option pages of the "Test Items" page in page order: object name and caption.
struct OptionPage {
    const char* Name;
    const char* Caption;
};
const std::vector<OptionPage>& OptionPages();

}  // namespace qx::station
