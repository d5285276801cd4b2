#include "utility/view_controls.h"

namespace qx::utility {
namespace {

#define QX_UTILITY_NAME(name) #name,
constexpr std::string_view kEdits[] = {QX_UTILITY_EDITS(QX_UTILITY_NAME)};
constexpr std::string_view kMemos[] = {QX_UTILITY_MEMOS(QX_UTILITY_NAME)};
constexpr std::string_view kGrids[] = {QX_UTILITY_GRIDS(QX_UTILITY_NAME)};
constexpr std::string_view kCaptions[] = {QX_UTILITY_CAPTIONS(QX_UTILITY_NAME)};
constexpr std::string_view kSwitches[] = {QX_UTILITY_SWITCHES(QX_UTILITY_NAME)};
constexpr std::string_view kChecks[] = {QX_UTILITY_CHECKS(QX_UTILITY_NAME)};
#undef QX_UTILITY_NAME

template <std::size_t N, typename Id>
std::string_view From(const std::string_view (&names)[N], Id id) {
    static_assert(N == kIdCount<Id>);
    const auto i = static_cast<std::size_t>(id);
    return i < N ? names[i] : std::string_view();
}

}  // namespace

std::string_view NameOf(EditId id) { return From(kEdits, id); }
std::string_view NameOf(MemoId id) { return From(kMemos, id); }
std::string_view NameOf(GridId id) { return From(kGrids, id); }
std::string_view NameOf(CaptionId id) { return From(kCaptions, id); }
std::string_view NameOf(SwitchId id) { return From(kSwitches, id); }
std::string_view NameOf(CheckId id) { return From(kChecks, id); }

}  // namespace qx::utility
